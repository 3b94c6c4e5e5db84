#pragma once
// Dialogs for tests: every text shown is recorded, and answers come from a script.
#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <optional>

#include "platform/Dialogs.h"

class TScriptedDialogs : public TDialogs {
 public:
  struct Shown {
    QString Caption, Text;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
  };
  // Everything shown through MessageBox, in order.
  std::vector<Shown> Boxes;
  QStringList Messages() const;
  QString LastMessage() const { return Boxes.empty() ? QString() : Boxes.back().Text; }
  // Answers to message boxes; without one a box is answered Yes (when it asks) or OK.
  std::deque<int> Answers;
  // Answers to text inputs: a value is typed and OK pressed; nullopt presses Cancel. Without
  // one the input is cancelled.
  std::deque<std::optional<QString>> Inputs;
  QStringList InputPrompts;
  // Answers to file dialogs (an empty text cancels).
  std::deque<QString> Files;
  // What each file dialog was opened with.
  struct FileAsk {
    QString Caption, Dir, Filter;
  };
  std::vector<FileAsk> FileAsks;
  // Handlers of modal windows by their objectName, used once each in order. A handler
  // works the window (the window is shown meanwhile) and returns its result; mrNone takes
  // the window's own result. A window without a handler is closed with Cancel.
  std::map<QString, std::deque<std::function<int(QDialog *)>>> Modal;
  QStringList ModalShown;

  void OnModal(const QString &objectName, std::function<int(QDialog *)> handler) {
    Modal[objectName].push_back(std::move(handler));
  }
  void Clear();

  int MessageBox(QWidget *parent, const QString &caption, const QString &text, TMsgDlgType type,
                 TMsgDlgButtons buttons) override;
  bool InputQuery(QWidget *parent, const QString &caption, const QString &prompt,
                  QString &value) override;
  QString SaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                       const QString &filter) override;
  QString OpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                       const QString &filter) override;
  int ExecModal(QDialog *dialog) override;
};

// The scripted dialogs in force during every test (installed by the test main).
TScriptedDialogs &Script();
