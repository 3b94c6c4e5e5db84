#pragma once
// The one seam through which the program shows every message box, question, text input,
// file dialog and modal window. The real implementation shows them; the scripted one of the
// tests records what was shown and answers from a script.
#include <QString>
#include <QStringList>

class QWidget;
class QDialog;

// Modal results, numbered as the original platform numbered them.
enum TModalResult {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
  mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10
};

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
  mbYes = 0x1, mbNo = 0x2, mbOK = 0x4, mbCancel = 0x8, mbAbort = 0x10, mbRetry = 0x20,
  mbIgnore = 0x40, mbAll = 0x80, mbNoToAll = 0x100, mbYesToAll = 0x200, mbHelp = 0x400
};
using TMsgDlgButtons = int;

class TDialogs {
 public:
  virtual ~TDialogs() = default;
  // A message box with the given buttons; returns the modal result of the button pressed.
  virtual int MessageBox(QWidget *parent, const QString &caption, const QString &text,
                         TMsgDlgType type, TMsgDlgButtons buttons) = 0;
  // The standard text input box: true when closed with OK; value is in and out.
  virtual bool InputQuery(QWidget *parent, const QString &caption, const QString &prompt,
                          QString &value) = 0;
  // File dialogs: an empty text when cancelled.
  virtual QString SaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                               const QString &filter) = 0;
  virtual QString OpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                               const QString &filter) = 0;
  // Shows a window modally and returns its modal result.
  virtual int ExecModal(QDialog *dialog) = 0;
};

// Shows them for real: Qt's standard dialogs.
class TRealDialogs : public TDialogs {
 public:
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

// The dialogs in force. SetDialogs does not take ownership; nullptr restores the real ones.
TDialogs &Dialogs();
void SetDialogs(TDialogs *dialogs);

// The application's title, the caption of custom message boxes.
QString ApplicationTitle();
void SetApplicationTitle(const QString &title);

// The platform's standard message dialog: the type's standard caption.
int MessageDlg(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons,
               QWidget *parent = nullptr);
QString MsgDlgCaption(TMsgDlgType type);
