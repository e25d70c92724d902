#pragma once
// A small JSON reader and writer for the case files and the results of the case runner.
// Reading is strict (RFC 8259 values; the whole text must be one value) and bounded in depth.
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace json {

class Value {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };

  Value() = default;
  static Value boolean(bool b);
  static Value number(double d);
  static Value string(std::string s);
  static Value array();
  static Value object();

  Kind kind() const { return m_kind; }
  bool isNull() const { return m_kind == Kind::Null; }
  bool isNumber() const { return m_kind == Kind::Number; }
  bool isString() const { return m_kind == Kind::String; }
  bool isArray() const { return m_kind == Kind::Array; }
  bool isObject() const { return m_kind == Kind::Object; }

  // Typed reads; a value of another kind throws std::runtime_error naming `what`.
  double asNumber(const char* what) const;
  bool asBool(const char* what) const;
  const std::string& asString(const char* what) const;
  const std::vector<Value>& asArray(const char* what) const;

  // Object members: null when absent.
  const Value* find(const std::string& key) const;
  // Building.
  Value& set(const std::string& key, Value value);
  Value& push(Value value);

  // Compact text with members in insertion order; numbers with 17 significant digits, non-finite
  // numbers as null.
  std::string text(int indent = 0) const;

 private:
  void write(std::string& out, int indent, int level) const;

  Kind m_kind = Kind::Null;
  bool m_bool = false;
  double m_number = 0;
  std::string m_string;
  std::vector<Value> m_items;
  std::vector<std::pair<std::string, Value>> m_members;
};

// Throws std::runtime_error with the byte offset of the first fault.
Value parse(const std::string& text);

}  // namespace json
