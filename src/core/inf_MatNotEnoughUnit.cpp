#include "core/inf_MatNotEnoughUnit.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "core/MyMsgUnit.h"
#include "platform/SysUtils.h"

Tinf_MatNotEnough::Tinf_MatNotEnough(QWidget *owner, int waybillId) : TForm(owner) {
  QVector<TWriteOffLine> plan;
  QVector<TShortLine> shorts;
  PlanReservationWriteOff(waybillId, false, plan, shorts);
  Build(waybillId, shorts);
}

Tinf_MatNotEnough::Tinf_MatNotEnough(QWidget *owner, int waybillId, const QVector<TShortLine> &lines)
    : TForm(owner) {
  Build(waybillId, lines);
}

void Tinf_MatNotEnough::Build(int waybillId, const QVector<TShortLine> &lines) {
  setObjectName(QStringLiteral("inf_MatNotEnough"));
  m_rows.clear();
  {
    TQuery q;
    q.SQL = Format(QStringLiteral("select NUM from Waybill where ID=%d"), {waybillId});
    q.Open();
    if (!q.IsEmpty()) m_num = q.Fields(0).AsString();
    q.Close();
  }

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
  Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  Image1->setFixedWidth(72);

  Label1 = new QLabel(QStringLiteral("Для списания резерва не хватает количества следующих материалов:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setWordWrap(true);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  Label1->setStyleSheet(QStringLiteral("color: navy;"));

  m_grid = new QGridLayout;
  m_grid->setHorizontalSpacing(12);
  m_grid->setVerticalSpacing(2);
  m_grid->setColumnMinimumWidth(0, 160);
  m_grid->setColumnMinimumWidth(1, 180);
  for (int i = 0; i < lines.size(); ++i) {
    const TShortLine &s = lines[i];
    TColorRec color;
    if (Colors) Colors->GetColorRec(s.COLOR, s.SystemID, color);
    auto *name = new QLabel(s.Name, this);
    auto *caption = new QLabel(color.Caption, this);
    auto *missing = new QLabel(FormatFloat(QStringLiteral("0.####"), s.Missing), this);
    missing->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_grid->addWidget(name, i, 0);
    m_grid->addWidget(caption, i, 1);
    m_grid->addWidget(missing, i, 2);
    m_rows << name << caption << missing;
  }

  Button1 = new QPushButton(QStringLiteral("Ok"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  BindModalResult(Button1, mrOk);

  auto *text = new QVBoxLayout;
  text->addWidget(Label1);
  text->addSpacing(6);
  text->addLayout(m_grid);
  text->addStretch(1);
  auto *top = new QHBoxLayout;
  top->addWidget(Image1);
  top->addLayout(text, 1);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addStretch(1);
  auto *main = new QVBoxLayout(this);
  main->addLayout(top, 1);
  main->addLayout(buttons);

  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  // The heading breaks into lines: the window is as tall as they need at its width, which a
  // layout does not ask for by itself.
  main->activate();
  const int width = std::max(528, minimumSizeHint().width());
  const int height = std::max(heightForWidth(width), 20 * int(lines.size()) + 75);
  setMinimumSize(width, height);
  resize(width, height);
}

void Tinf_MatNotEnough::showEvent(QShowEvent *event) {
  FormShow();
  TForm::showEvent(event);
}

void Tinf_MatNotEnough::FormShow() {
  setWindowTitle(QStringLiteral("Резерв № %1").arg(m_num));
  // centred on the screen
  if (screen()) {
    const QRect area = screen()->availableGeometry();
    move(area.center() - rect().center());
  }
}

void Tinf_MatNotEnough::FormClose() { m_rows.clear(); }

bool WriteOffReservation(QWidget *owner, int waybillId) {
  // Inside a caller's transaction the caller reports a failure, after its transaction ended.
  const bool outermost = DATA->DB_Storage.TransactionDepth == 0;
  QVector<TShortLine> shorts;
  bool done = false;
  try {
    done = PostReservationWriteOff(waybillId, shorts);
  } catch (const ERefused &e) {
    if (!outermost) throw;
    ShowMessage(e.Text);
    return false;
  } catch (const std::exception &e) {
    if (!outermost) throw;
    // Rolled back whole: the reservation stays as it was.
    ShowMessage(FailureText(e, QStringLiteral("Ошибка при сохранении накладной.")));
    return false;
  }
  if (!shorts.isEmpty()) {
    Tinf_MatNotEnough window(owner, waybillId, shorts);
    window.ShowModal();
  }
  return done;
}
