#pragma once
// The steps every calculation request shares, on the CAPE-OPEN thread: the refusal without a
// material object, the complaint context begun afresh, the phase list of a pass, setting the
// material object, asking the package through it and checking what it gave back.
#include <windows.h>

#include "adapter/AdapterSide.h"
#include "bridge/CallParameters.h"
#include "errors/COVCOError.h"

struct CalcWorkArrays;

class RequestOpening {
 public:
  RequestOpening(COVCOError& errors, PackageObjects& objects, CalcWorkArrays& work)
      : m_errors(errors), m_objects(objects), m_work(work) {}
  RequestOpening(const RequestOpening&) = delete;
  RequestOpening& operator=(const RequestOpening&) = delete;

  // The one-element property list of a property name.
  static const VARIANT& singlePropertyList(const wchar_t* name);
  static void phaseFlags(const int* types, bool& vapour, bool& liquid, bool& twoLiquids);
  static int mainLiquidOf(const int* types, int slotsLooked, int pass);

  // True (with the complaint's code in refusal) when there is no material object.
  bool refuseWithoutMaterial(HRESULT& refusal);
  HRESULT calcComplaint(HRESULT code, const char* text, ComplaintKind kind = CkNONE);
  HRESULT choosePhaseList(int* types, const wchar_t* property, int pass, const VARIANT*& list);
  int componentCount() const;
  void beginRequestContext(const bridge::CallParameters& call, const int* types, int slotsLooked,
                           const VARIANT* properties);
  HRESULT setRequestMaterial(const bridge::CallParameters& call, const int* types, int slotsLooked, int mainLiquid);
  HRESULT calcOnMaterial(const VARIANT& properties, const VARIANT& phases);
  void validateValues(double* values, int property, const char* step);

 private:
  void prepareWorkArrays();

  COVCOError& m_errors;
  PackageObjects& m_objects;
  CalcWorkArrays& m_work;
};
