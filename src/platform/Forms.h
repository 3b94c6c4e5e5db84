#pragma once
// Base of every window that is shown modally: a dialog with the modal-result rules of the
// original desktop library. Setting a modal result other than mrNone asks CloseQuery and then
// closes the window with that result; closing the window frame gives mrCancel.
#include <QDialog>
#include <functional>

#include "platform/Dialogs.h"

class QAbstractButton;

class TForm : public QDialog {
  Q_OBJECT
 public:
  explicit TForm(QWidget *owner = nullptr);

  // Shows the window modally through the dialogs seam; returns the modal result.
  int ShowModal();
  int ModalResult() const { return m_modalResult; }
  void SetModalResult(int result);
  // A button that carries a modal result: after its own click handlers the window closes.
  void BindModalResult(QAbstractButton *button, int result);

  void done(int result) override;
  void accept() override { done(mrOk); }
  void reject() override { done(mrCancel); }

 protected:
  // Asked before the window closes with a result; false keeps it open.
  virtual bool CloseQuery(int result) {
    Q_UNUSED(result);
    return true;
  }
  // Called once when the window closes.
  virtual void FormClose() {}

 private:
  int m_modalResult = mrNone;
};

// Runs an action when Enter or Return is pressed in the widget (instead of the key's own
// handling, so that it never presses a dialog's default button); errors are shown.
void OnEnterKey(QWidget *widget, std::function<void()> action);
