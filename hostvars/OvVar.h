#pragma once
// Typed wrappers over the variables the host stores with the case. A wrapper is either bound to
// the host's variable object (reads and writes go to the host) or unbound (it keeps a local
// value). All wrappers of one adapter live in one OvVarSet, which finds them by name.
//
// Host call failures are reported ("Unexpected error ") and their code returned. Nothing throws.
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

#include "OvHost.h"
#include "support/Raii.h"

class OvVarSet;

// A string shared between copies; the host text values are kept in this form locally.
class COvBSTR {
 public:
  COvBSTR() : m_s(std::make_shared<support::Bstr>()) {}
  BSTR get() const { return m_s->get(); }
  const wchar_t* c_str() const { return m_s->c_str(); }
  void set(const wchar_t* s, UINT length) { m_s = std::make_shared<support::Bstr>(s, length); }
  void clear() { m_s = std::make_shared<support::Bstr>(); }

 private:
  std::shared_ptr<support::Bstr> m_s;
};

class OvVar {
 public:
  explicit OvVar(bool persisted) : m_persisted(persisted) {}
  virtual ~OvVar();
  OvVar(const OvVar&) = delete;
  OvVar& operator=(const OvVar&) = delete;

  // Registers in the set and binds to the host variable of that name; the host reference
  // (owned by the wrapper) or null when the wrapper stays unbound.
  virtual IUnknown* bind(const char* name, OvVarSet* set) = 0;
  virtual HRESULT toText(BSTR* out) = 0;
  virtual HRESULT fromText(BSTR text) = 0;
  virtual HRESULT getValue(VARIANT* out) = 0;
  virtual HRESULT setValue(const VARIANT& value) = 0;
  virtual HRESULT notify(int) { return S_OK; }
  virtual bool hasValue() = 0;

  const std::string& name() const { return m_name; }
  bool persisted() const { return m_persisted; }
  OvVarSet* set() const { return m_set; }

 protected:
  // Steps shared by every kind of binding: registers, finds the declaration and queries the
  // variable object for iid into reference; it stays null (after the report) when unbound.
  HRESULT bindTo(const char* name, OvVarSet* set, REFIID iid, void** reference);

 private:
  friend class OvVarSet;
  bool m_persisted;
  std::string m_name;
  OvVarSet* m_set = nullptr;
};

class OvTextVar : public OvVar {
 public:
  explicit OvTextVar(bool persisted = true) : OvVar(persisted) {}
  ~OvTextVar() override;

  IUnknown* bind(const char* name, OvVarSet* set) override;
  HRESULT toText(BSTR* out) override;
  HRESULT fromText(BSTR text) override;
  HRESULT getValue(VARIANT* out) override;
  HRESULT setValue(const VARIANT& value) override;
  bool hasValue() override;

  HRESULT getText(support::Bstr& out);
  HRESULT setText(const wchar_t* text);
  HRESULT setText(const wchar_t* text, UINT length);
  // Current value + text (+ "\n" when newline).
  HRESULT append(const wchar_t* text, bool newline);

 private:
  COvBSTR m_value;
  support::ComPtr<ExtnTextVariable> m_host;
};

class OvRealVar : public virtual OvVar {
 public:
  explicit OvRealVar(bool persisted = true) : OvVar(persisted) {}
  ~OvRealVar() override;

  IUnknown* bind(const char* name, OvVarSet* set) override;
  HRESULT toText(BSTR* out) override;
  // Single precision ("%f"), widened.
  HRESULT fromText(BSTR text) override;
  HRESULT getValue(VARIANT* out) override;
  HRESULT setValue(const VARIANT& value) override;
  bool hasValue() override;

  HRESULT getReal(double& out);
  HRESULT setReal(double value);

 private:
  double m_value = 0.0;
  support::ComPtr<ExtnRealVariable> m_host;
};

// Array base: the local value is a VARIANT holding a one-dimensional array.
class OvFlexVar : public virtual OvVar {
 public:
  explicit OvFlexVar(bool persisted) : OvVar(persisted) {}
  ~OvFlexVar() override;

 protected:
  support::Variant m_value;
};

class OvRealFlexVar : public virtual OvFlexVar {
 public:
  explicit OvRealFlexVar(bool persisted = true) : OvVar(persisted), OvFlexVar(persisted) {}
  ~OvRealFlexVar() override;

  IUnknown* bind(const char* name, OvVarSet* set) override;
  HRESULT toText(BSTR* out) override;
  HRESULT fromText(BSTR text) override;
  HRESULT getValue(VARIANT* out) override;
  HRESULT setValue(const VARIANT& value) override;
  bool hasValue() override;

  // Element i (from 0); past the end reported, NaN.
  double getReal(long i);
  HRESULT setReal(long i, double value);

 private:
  support::ComPtr<ExtnRealArrayVariable> m_host;
};

class OvTextFlexVar : public virtual OvFlexVar {
 public:
  explicit OvTextFlexVar(bool persisted = true) : OvVar(persisted), OvFlexVar(persisted) {}
  ~OvTextFlexVar() override;

  IUnknown* bind(const char* name, OvVarSet* set) override;
  HRESULT toText(BSTR* out) override;
  HRESULT fromText(BSTR text) override;
  HRESULT getValue(VARIANT* out) override;
  HRESULT setValue(const VARIANT& value) override;
  bool hasValue() override;

  // Element i (from 0); past the end reported, empty.
  support::Bstr getText(long i);
  HRESULT setText(long i, const wchar_t* value);

 private:
  support::ComPtr<ExtnTextArrayVariable> m_host;
};

// The wrappers of one adapter in registration order, and the host's extension definition they
// bind through (absent: every wrapper stays unbound).
class OvVarSet {
 public:
  OvVarSet() = default;
  ~OvVarSet();
  OvVarSet(const OvVarSet&) = delete;
  OvVarSet& operator=(const OvVarSet&) = delete;

  void setDefinition(ExtnDefinition* definition) { m_definition = definition; }
  // Takes the definition from the container; a failing call is reported and leaves none.
  HRESULT attachHost(ExtnContainer* container);
  ExtnDefinition* definition() const { return m_definition.Get(); }

  // First wrapper of that name (case-insensitive), or null.
  OvVar* find(const char* name) const;
  HRESULT getValue(const char* name, VARIANT* out) const;
  HRESULT setValue(const char* name, const VARIANT& value) const;
  const std::vector<OvVar*>& vars() const { return m_vars; }

 private:
  friend class OvVar;
  void add(OvVar* var);
  void remove(OvVar* var);

  support::ComPtr<ExtnDefinition> m_definition;
  std::vector<OvVar*> m_vars;
};
