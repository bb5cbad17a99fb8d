#include "platform/dialog_driver.h"

#include <boost/asio/post.hpp>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/loop.h"

namespace tellmar {

HWND TopModalDialog() {
  Loop& loop = Loop::Current();
  for (HWND h : loop.ZOrder()) {
    Window* w = loop.Find(h);
    if (w != nullptr && w->dialog && w->dialog->modal && !w->dialog->ended) return h;
  }
  return 0;
}

DialogDriver::DialogDriver() : loop_(Loop::Current()) {
  auto op = std::make_unique<ScriptedOperator>();
  op_ = op.get();
  loop_.SetOperator(std::move(op));
}

DialogDriver::~DialogDriver() { *alive_ = false; }

void DialogDriver::PostPlayNext() {
  boost::asio::post(loop_.io(), [this, alive = alive_] {
    if (*alive) PlayNext();
  });
}

DialogDriver& DialogDriver::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

DialogDriver& DialogDriver::Person(int id, std::function<bool(HWND control)> act) {
  const std::size_t number = steps_.size() + 1;
  return Then([this, id, number, act = std::move(act)](HWND dialog) {
    if (!act(GetDlgItem(dialog, id)))
      failures_.push_back("step " + std::to_string(number) + ": control " + std::to_string(id) + " cannot take it");
  });
}

DialogDriver& DialogDriver::Type(int id, std::string text) {
  return Person(id, [text = std::move(text)](HWND control) { return UserSetText(control, text); });
}

DialogDriver& DialogDriver::Click(int id) { return Person(id, [](HWND control) { return UserClick(control); }); }

DialogDriver& DialogDriver::Select(int id, int index) {
  return Person(id, [index](HWND control) { return UserSelectItem(control, index); });
}

DialogDriver& DialogDriver::Check(int id, int state) {
  return Person(id, [state](HWND control) { return UserSetCheck(control, state); });
}

void DialogDriver::PlayNext() {
  const HWND dialog = TopModalDialog();
  if (dialog == 0) {
    if (next_ < steps_.size()) failures_.push_back("step " + std::to_string(next_ + 1) + ": no dialog is open");
    return;
  }
  if (next_ >= steps_.size()) {
    failures_.push_back("the steps ran out with the dialog still open");
    EndDialog(dialog, kDriverOutOfSteps);
    return;
  }
  steps_[next_++](dialog);
  // The next step waits behind whatever this one posted.
  PostPlayNext();
}

INT_PTR DialogDriver::Run(const std::function<INT_PTR()>& open) {
  next_ = 0;
  PostPlayNext();
  const INT_PTR result = open();
  // A step left unplayed (the dialog ended early) is a failure too.
  if (next_ < steps_.size())
    failures_.push_back("the dialog ended before step " + std::to_string(next_ + 1));
  return result;
}

}  // namespace tellmar
