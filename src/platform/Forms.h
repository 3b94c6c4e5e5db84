#pragma once
// Base of every window that is shown modally: a dialog with the modal-result rules of the
// original desktop library. Setting a modal result other than mrNone asks CloseQuery and then
// closes the window with that result; closing the window frame gives mrCancel.
#include <QDialog>
#include <QMargins>
#include <QRect>
#include <functional>

#include "platform/Dialogs.h"

class QAbstractButton;

// Where a window opens when no place of its own is stored: centred over the window of its
// owner (on the screen when it has none), or centred on the screen.
enum TPosition { poOwnerFormCenter, poScreenCenter };

// Placement of a window that is about to be shown for the first time: at its stored place
// (see MarkStoredPlace) or else at its designed place, and in either case within the available
// area of its screen, never larger than that area. Installed once per window; a second call
// only changes the position rule. Windows of the TForm class have it from their constructor.
void PlaceOnFirstShow(QWidget *window, TPosition position = poOwnerFormCenter);
// Tells the placement that the window's place (and size) came from what the user left.
void MarkStoredPlace(QWidget *window);
// Whether the window has been placed on a screen: shown once, or given a stored place.
bool HasPlace(const QWidget *window);

// The window frame (the client rectangle plus the frame margins) moved into the area and,
// where it is larger, reduced to it; returns the frame rectangle.
QRect FitIntoArea(const QRect &frame, const QRect &area);
// The frame rectangle of a window with the given client size and frame margins centred over
// a rectangle (an owner's frame or a screen's area) and fitted into the area.
QRect CentredFrame(const QSize &client, const QMargins &margins, const QRect &over,
                   const QRect &area);

class TForm : public QDialog {
  Q_OBJECT
 public:
  explicit TForm(QWidget *owner = nullptr);

  // The designed place of the window (see PlaceOnFirstShow).
  void SetPosition(TPosition position) { PlaceOnFirstShow(this, position); }

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
