#include "Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace json {

namespace {

constexpr int kMaxDepth = 64;

class Reader {
 public:
  explicit Reader(const std::string& text) : m_text(text) {}

  Value document() {
    Value v = value(0);
    skipBlanks();
    if (m_pos != m_text.size()) fail("text after the value");
    return v;
  }

 private:
  [[noreturn]] void fail(const char* what) const {
    throw std::runtime_error(std::string("JSON: ") + what + " at offset " + std::to_string(m_pos));
  }
  void skipBlanks() {
    while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n' ||
                                     m_text[m_pos] == '\r'))
      ++m_pos;
  }
  bool take(char c) {
    skipBlanks();
    if (m_pos < m_text.size() && m_text[m_pos] == c) {
      ++m_pos;
      return true;
    }
    return false;
  }
  void expect(char c) {
    if (!take(c)) fail((std::string("expected '") + c + "'").c_str());
  }
  bool word(const char* w) {
    const std::string s(w);
    if (m_text.compare(m_pos, s.size(), s) != 0) return false;
    m_pos += s.size();
    return true;
  }

  Value value(int depth) {
    if (depth > kMaxDepth) fail("nesting too deep");
    skipBlanks();
    if (m_pos >= m_text.size()) fail("unexpected end");
    const char c = m_text[m_pos];
    if (c == '{') return object(depth);
    if (c == '[') return array(depth);
    if (c == '"') return Value::string(string());
    if (word("true")) return Value::boolean(true);
    if (word("false")) return Value::boolean(false);
    if (word("null")) return Value();
    return Value::number(number());
  }

  Value object(int depth) {
    Value v = Value::object();
    ++m_pos;
    if (take('}')) return v;
    do {
      skipBlanks();
      if (m_pos >= m_text.size() || m_text[m_pos] != '"') fail("expected a member name");
      std::string key = string();
      expect(':');
      v.set(key, value(depth + 1));
    } while (take(','));
    expect('}');
    return v;
  }

  Value array(int depth) {
    Value v = Value::array();
    ++m_pos;
    if (take(']')) return v;
    do v.push(value(depth + 1));
    while (take(','));
    expect(']');
    return v;
  }

  static void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string string() {
    ++m_pos;  // the opening quote
    std::string out;
    while (true) {
      if (m_pos >= m_text.size()) fail("unterminated string");
      const char c = m_text[m_pos++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) fail("control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (m_pos >= m_text.size()) fail("unterminated escape");
      const char e = m_text[m_pos++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          if (m_pos + 4 > m_text.size()) fail("short \\u escape");
          char* end = nullptr;
          const std::string hex = m_text.substr(m_pos, 4);
          const unsigned long code = std::strtoul(hex.c_str(), &end, 16);
          if (end != hex.c_str() + 4) fail("bad \\u escape");
          m_pos += 4;
          appendUtf8(out, static_cast<unsigned>(code));
          break;
        }
        default: fail("unknown escape");
      }
    }
  }

  double number() {
    const size_t start = m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == '-') ++m_pos;
    while (m_pos < m_text.size() && std::string("0123456789.eE+-").find(m_text[m_pos]) != std::string::npos) ++m_pos;
    if (m_pos == start) fail("unexpected character");
    const std::string digits = m_text.substr(start, m_pos - start);
    char* end = nullptr;
    const double d = std::strtod(digits.c_str(), &end);
    if (end != digits.c_str() + digits.size() || !std::isfinite(d)) {
      m_pos = start;
      fail("bad number");
    }
    return d;
  }

  const std::string& m_text;
  size_t m_pos = 0;
};

void writeString(std::string& out, const std::string& s) {
  out += '"';
  for (const char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
          out += buffer;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void newline(std::string& out, int indent, int level) {
  if (indent <= 0) return;
  out += '\n';
  out.append(static_cast<size_t>(indent * level), ' ');
}

[[noreturn]] void wrongKind(const char* what, const char* expected) {
  throw std::runtime_error(std::string(what) + " must be " + expected);
}

}  // namespace

Value Value::boolean(bool b) {
  Value v;
  v.m_kind = Kind::Bool;
  v.m_bool = b;
  return v;
}
Value Value::number(double d) {
  Value v;
  v.m_kind = Kind::Number;
  v.m_number = d;
  return v;
}
Value Value::string(std::string s) {
  Value v;
  v.m_kind = Kind::String;
  v.m_string = std::move(s);
  return v;
}
Value Value::array() {
  Value v;
  v.m_kind = Kind::Array;
  return v;
}
Value Value::object() {
  Value v;
  v.m_kind = Kind::Object;
  return v;
}

double Value::asNumber(const char* what) const {
  if (m_kind != Kind::Number) wrongKind(what, "a number");
  return m_number;
}
bool Value::asBool(const char* what) const {
  if (m_kind != Kind::Bool) wrongKind(what, "true or false");
  return m_bool;
}
const std::string& Value::asString(const char* what) const {
  if (m_kind != Kind::String) wrongKind(what, "a string");
  return m_string;
}
const std::vector<Value>& Value::asArray(const char* what) const {
  if (m_kind != Kind::Array) wrongKind(what, "an array");
  return m_items;
}

const Value* Value::find(const std::string& key) const {
  for (const auto& member : m_members)
    if (member.first == key) return &member.second;
  return nullptr;
}

Value& Value::set(const std::string& key, Value value) {
  for (auto& member : m_members)
    if (member.first == key) return member.second = std::move(value);
  m_members.emplace_back(key, std::move(value));
  return m_members.back().second;
}

Value& Value::push(Value value) {
  m_items.push_back(std::move(value));
  return m_items.back();
}

std::string Value::text(int indent) const {
  std::string out;
  write(out, indent, 0);
  return out;
}

void Value::write(std::string& out, int indent, int level) const {
  switch (m_kind) {
    case Kind::Null: out += "null"; break;
    case Kind::Bool: out += m_bool ? "true" : "false"; break;
    case Kind::Number: {
      if (!std::isfinite(m_number)) {
        out += "null";
        break;
      }
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%.17g", m_number);
      out += buffer;
      break;
    }
    case Kind::String: writeString(out, m_string); break;
    case Kind::Array: {
      out += '[';
      for (size_t i = 0; i < m_items.size(); ++i) {
        if (i) out += ',';
        newline(out, indent, level + 1);
        m_items[i].write(out, indent, level + 1);
      }
      if (!m_items.empty()) newline(out, indent, level);
      out += ']';
      break;
    }
    case Kind::Object: {
      out += '{';
      for (size_t i = 0; i < m_members.size(); ++i) {
        if (i) out += ',';
        newline(out, indent, level + 1);
        writeString(out, m_members[i].first);
        out += indent > 0 ? ": " : ":";
        m_members[i].second.write(out, indent, level + 1);
      }
      if (!m_members.empty()) newline(out, indent, level);
      out += '}';
      break;
    }
  }
}

Value parse(const std::string& text) { return Reader(text).document(); }

}  // namespace json
