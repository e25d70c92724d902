// Faults of the misbehaving packages: each gives the product's message and code, loses nothing of
// the case, and the adapter answers the next request the same way (a package that crashed: it is
// refused at once).
#include <cmath>
#include <cstdio>

#include "tests/adapter/CalcReference.h"
#include "tests/adapter/ReliabilityRequests.h"
#include "support/Text.h"

namespace reliability_test {
namespace {

using support::Bstr;

struct Answer {
  double code = 0;
  std::vector<std::wstring> boxes;
};

struct Fault {
  const wchar_t* package;
  int kind;                 // the request of the mix
  HRESULT code;             // its answer
  const wchar_t* message;   // the start of the one message shown ("" for none)
  bool once;                // a once-only warning: the next request shows nothing
};

class FaultTest : public calc_test::CalcTest, public ::testing::WithParamInterface<Fault> {
 protected:
  Answer ask(int kind) {
    test_sink::clearBoxes();
    const std::vector<double> y = mixture({0.8, 0.2, 0.1}), x = mixture({0.2, 0.8, 0.4});
    Answer answer;
    values = perform(package.Get(), {kind, 300, 2000}, y, x);
    answer.code = values[0];
    for (const test_sink::Box& box : boxes.shown()) answer.boxes.push_back(box.text);
    return answer;
  }
  std::wstring saved() {
    Bstr text;
    EXPECT_EQ(S_OK, priv->PkgSave(text.out()));
    return std::wstring(text.c_str(), text.length());
  }
  std::vector<double> values;  // of the last request
};

TEST_P(FaultTest, GivesTheMessageAndCodeAndStaysUsable) {
  const Fault& fault = GetParam();
  use(fault.package);
  const std::wstring before = saved();
  const Answer first = ask(fault.kind);
  EXPECT_EQ(static_cast<double>(fault.code), first.code);
  if (*fault.message) {
    ASSERT_EQ(1u, first.boxes.size());
    EXPECT_EQ(0u, first.boxes[0].find(fault.message)) << support::narrow(first.boxes[0]);
  } else {
    EXPECT_TRUE(first.boxes.empty());
  }
  // What the host gets on success is usable: the package's bad values were replaced.
  if (first.code == S_OK) {
    for (double v : values) EXPECT_TRUE(std::isfinite(v));
  }
  const Answer again = ask(fault.kind);
  EXPECT_EQ(first.code, again.code);
  EXPECT_EQ(fault.once ? std::vector<std::wstring>{} : first.boxes, again.boxes);
  EXPECT_EQ(before, saved());  // the case lost nothing
}

// The package's error with its details, in the K-value request and in the fugacity request.
#define CALCPROP_FAILED(name, detail) L" ERROR: The CAPE-OPEN Property Package '" name L"' raised an exception while " detail
#define FUGACITY_FAILED L" ERROR: Unexpected error Detected while calculating {(fugacityCoefficient), (Vapor, Liquid), Mixture}"
#define UNFEASIBLE(name, values) \
  L"The CAPE-OPEN Property Package '" name L"' provided unfeasible thermodynamic values (" values L") for property 'fugacityCoefficient'. Read back from the package."

const Fault kFaults[] = {
    {L"Faulty Error", 0, E_FAIL,
     CALCPROP_FAILED(L"Faulty Error", L" ERROR: calling CalcProp\n(Faulty Error fails CalcProp on purpose: Faulty Error)Detected"), false},
    {L"Faulty Error", 3, E_FAIL, FUGACITY_FAILED, false},
    {L"Faulty Exception", 0, E_FAIL,
     CALCPROP_FAILED(L"Faulty Exception", L"ECapeUnknown (0x80040501) while calling CalcProp\nDescription: unexpected C++ exception: "
                                          L"Faulty Exception throws from CalcProp on purpose"), false},
    {L"Faulty Exception", 3, E_FAIL, FUGACITY_FAILED, false},
    {L"Faulty Uncaught Exception", 0, E_FAIL,
     CALCPROP_FAILED(L"Faulty Uncaught Exception", L" ERROR: calling CalcPropDetected while calculating"), false},
    {L"Faulty Uncaught Exception", 3, E_FAIL, FUGACITY_FAILED, false},
    // A crashed package is told once and not called again: the next request fails at once.
    {L"Faulty CalcProp Access Violation", 0, E_FAIL,
     CALCPROP_FAILED(L"Faulty CalcProp Access Violation",
                     L"handling the host's request: access violation (exception code 0xC0000005). The package crashed "
                     L"and must be reloaded with the case (close the case and open it again). Detected while calculating "
                     L"{(fugacityCoefficient), (Vapor, Liquid), Mixture}"), true},
    {L"Faulty CalcProp Access Violation", 3, E_FAIL,
     CALCPROP_FAILED(L"Faulty CalcProp Access Violation", L"handling the host's request: access violation"), true},
    {L"Faulty NaN", 3, S_OK, UNFEASIBLE(L"Faulty NaN", L"nan, nan") L" (CPF)", true},
    {L"Faulty Infinite", 0, S_OK, UNFEASIBLE(L"Faulty Infinite", L"inf, inf") L" (CKF)", true},
    {L"Faulty Infinite", 3, S_OK, UNFEASIBLE(L"Faulty Infinite", L"inf, inf") L" (CPF)", true},
    {L"Faulty Negative", 0, S_OK, UNFEASIBLE(L"Faulty Negative", L"-0.963730552795199, -0.781354892482643") L" (CKF)", true},
    {L"Faulty Negative", 3, S_OK, UNFEASIBLE(L"Faulty Negative", L"-0.963730552795199, -0.781354892482643") L" (CPF)", true},
    {L"Faulty Slow", 0, S_OK, L"", false},
};

// The package's name without blanks, and the request when there is one.
std::string packageTestName(const wchar_t* package) {
  std::string name;
  for (const wchar_t* c = package; *c; ++c)
    if (iswalnum(*c)) name += static_cast<char>(*c);
  return name;
}

std::string faultName(const ::testing::TestParamInfo<Fault>& info) {
  return packageTestName(info.param.package) + "_" + std::to_string(info.param.kind);
}

INSTANTIATE_TEST_SUITE_P(MisbehavingPackages, FaultTest, ::testing::ValuesIn(kFaults), faultName);

// After a crash the package is quarantined: nothing of the product stays locked (another host
// thread's save goes through the hand-over), every later request fails at once with the reason as
// error information and without a new message, and Terminate still ends the thread.
class QuarantineTest : public calc_test::CalcTest {};

TEST_F(QuarantineTest, ACrashedPackageIsRefusedAtOnceAndNothingStaysLocked) {
  use(L"Faulty CalcProp Access Violation");
  const size_t withThread = adapter_test::threadCount();
  const std::vector<double> y = mixture({0.8, 0.2}), x = mixture({0.2, 0.8});
  EXPECT_EQ(static_cast<double>(E_FAIL), perform(package.Get(), {1, 300, 2000}, y, x)[0]);
  ASSERT_EQ(1u, boxes.count());
  EXPECT_NE(std::wstring::npos, boxes.shown()[0].text.find(L"must be reloaded with the case"));
  for (int kind = 0; kind < kHandedOverKinds; ++kind) {
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(static_cast<double>(E_FAIL), perform(package.Get(), {kind, 300, 2000}, y, x)[0]) << kind;
    support::ComPtr<IErrorInfo> info;
    Bstr reason;
    ASSERT_EQ(S_OK, GetErrorInfo(0, info.GetAddressOf())) << kind;
    info->GetDescription(reason.out());
    EXPECT_NE(std::wstring::npos, std::wstring(reason.c_str()).find(L"must be reloaded with the case")) << kind;
  }
  double constant = 0;
  EXPECT_EQ(E_FAIL, priv->getCompConstantDbl(Bstr(L"criticalTemperature").get(), 0, &constant));
  EXPECT_EQ(1u, boxes.count()) << "told once; the package was not called again";
  HRESULT saved = E_UNEXPECTED;
  runOnHostThreads({[&] { saved = extension->Save(); }});
  EXPECT_EQ(S_OK, saved) << "the call lock is free and the thread serves";
  EXPECT_EQ(S_OK, extension->Terminate());
  initialised = false;
  EXPECT_EQ(withThread - 1, adapter_test::threadCount());
}

// Packages whose faults show while the adapter creates its objects: Initialize fails with the
// message, requests are refused, and the next adapter in the same process works.
struct CreationFault {
  const wchar_t* package;
  HRESULT code;  // of Initialize
  const wchar_t* message;
};

class CreationFaultTest : public calc_test::CalcTest, public ::testing::WithParamInterface<CreationFault> {};

TEST_P(CreationFaultTest, InitializeFailsWithTheMessageAndTheProcessGoesOn) {
  const CreationFault& fault = GetParam();
  EXPECT_EQ(fault.code, initialize(adapter_test::choiceOf(fault.package).c_str()));
  ASSERT_EQ(1u, boxes.count());
  EXPECT_EQ(0u, boxes.shown()[0].text.find(fault.message)) << support::narrow(boxes.shown()[0].text);
  test_sink::clearBoxes();
  std::vector<double> k(2, 0.0), v = {0.5, 0.5};
  double* rows[3] = {v.data(), v.data(), v.data()};
  EXPECT_EQ(E_FAIL, package->ComputeKFactorsVL(300, 2000, rows, k.data()));
  EXPECT_TRUE(boxes.anyContains(L"changing to CAPE-OPEN thread"));
  // A sound package on a new adapter in this process.
  createAdapter();
  use(L"Natural Gas");
  const std::vector<double> y = mixture({0.8, 0.2}), x = mixture({0.2, 0.8});
  EXPECT_EQ(static_cast<double>(S_OK), perform(package.Get(), {0, 300, 2000}, y, x)[0]);
}

const CreationFault kCreationFaults[] = {
    {L"Faulty Access Violation", E_FAIL,
     L" ERROR: The CAPE-OPEN Property Package 'Faulty Access Violation' raised an exception while creating the CAPE-OPEN "
     L"objects: access violation (exception code 0xC0000005). "},
    {L"Faulty Not Written", ECapeUnknownHR, L" ERROR: Unexpected error \n(GetComponentConstant should return an array of VARIANTs"},
    {L"Faulty Array Size", ECapeUnknownHR,
     L" ERROR: Unexpected error \n(For each requested property, GetComponentConstant should return one value of each of "
     L"the components in the passed material object"},
};

std::string creationFaultName(const ::testing::TestParamInfo<CreationFault>& info) {
  return packageTestName(info.param.package);
}

INSTANTIATE_TEST_SUITE_P(MisbehavingPackages, CreationFaultTest, ::testing::ValuesIn(kCreationFaults), creationFaultName);

}  // namespace
}  // namespace reliability_test
