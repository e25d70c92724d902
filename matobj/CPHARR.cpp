#include "CPHARR.h"

// Placeholders until this part is built.
CPHARR& CPHARR::assign(const CPHARR&) { return *this; }
CPHARR::~CPHARR() = default;
int CPHARR::getSize() const { return m_size; }
HRESULT CPHARR::setData(int, const double*, int, bool) { return E_NOTIMPL; }
HRESULT CPHARR::getData(int, double*, int, bool) const { return E_NOTIMPL; }
bool CPHARR::isValid(int, bool) const { return false; }
HRESULT CPHARR::setValid(int, bool, bool) { return E_NOTIMPL; }
void CPHARR::allocate(int) {}
void CPHARR::clearAll() {}
