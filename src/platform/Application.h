#pragma once
// The application object: its notify guard is the program's last line of defence. An error
// that no window caught is shown as the application's default error message, and the program
// goes on.
#include <QApplication>
#include <exception>

class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;
};

// The busy cursor while an action the user cannot cancel runs (a posting in one
// transaction); nothing without windows. The previous cursor comes back when it ends.
class TBusyCursor {
 public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor &) = delete;
  TBusyCursor &operator=(const TBusyCursor &) = delete;

 private:
  bool m_set = false;
};

// Shows an error's text as the default error message (error icon, OK).
void ShowException(const std::exception &e);
// Runs a handler so that no exception leaves it: what escapes is shown by ShowException.
template <class F>
void Guarded(F &&f) {
  try {
    f();
  } catch (const std::exception &e) {
    ShowException(e);
  }
}
