#pragma once
// The System page: the adapter's hardware options.
namespace bx {

class TfrmMain;

class SystemPage {
 public:
  explicit SystemPage(TfrmMain& form);
  // Hides the System tab and puts the options on their first choice.
  void Reset();

 private:
  TfrmMain& f_;
};

}  // namespace bx
