// Catalogue writes that another client's write can invalidate between the decision and the
// write: deleting a supplier or a discount group that a material has just been given, numbering
// new discount groups, and a colour-flag change while stock of the material is being posted.
// The other client works through a connection of its own.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QThread>
#include <atomic>
#include <future>
#include <thread>

#include "CatalogueFixture.h"
#include "catalogue/inf_ChangeValuesUnit.h"
#include "catalogue/inf_MaterialUnit.h"
#include "catalogue/inf_SuppliersUnit.h"
#include "core/DataUnit.h"
#include "platform/Grids.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"

namespace {

// The scripted dialogs with a hook that runs when a message box comes up.
class THookedDialogs : public TDialogs {
 public:
  std::function<void(const QString &text)> OnBox;
  THookedDialogs() { SetDialogs(this); }
  ~THookedDialogs() override { SetDialogs(&Script()); }
  int MessageBox(QWidget *parent, const QString &caption, const QString &text, TMsgDlgType type,
                 TMsgDlgButtons buttons) override {
    if (OnBox) OnBox(text);
    return Script().MessageBox(parent, caption, text, type, buttons);
  }
  bool InputQuery(QWidget *parent, const QString &caption, const QString &prompt, QString &value) override {
    return Script().InputQuery(parent, caption, prompt, value);
  }
  QString SaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                       const QString &filter) override {
    return Script().SaveFileName(parent, caption, dir, filter);
  }
  QString OpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                       const QString &filter) override {
    return Script().OpenFileName(parent, caption, dir, filter);
  }
  int ExecModal(QDialog *dialog) override { return Script().ExecModal(dialog); }
};

// Another client in the middle of a transaction: it runs its statements and keeps them
// uncommitted until the program's connection waits for one of its locks (or until Finish),
// then commits.
class TOtherClient {
 public:
  TOtherClient(const QString &database, const QStringList &statements)
      : m_waiter(SQLInt(QStringLiteral("select CONNECTION_ID()"))) {
    std::promise<void> ready;
    std::future<void> started = ready.get_future();
    m_thread = std::thread([this, database, statements, &ready] {
      auto c = testdb::Connect(database);
      c->Exec(QStringLiteral("START TRANSACTION"));
      for (const QString &s : statements) c->Exec(s);
      ready.set_value();
      TQuery q(c.get());
      q.SQL = QStringLiteral("select count(*) from information_schema.INNODB_TRX where "
                             "trx_state='LOCK WAIT' and trx_mysql_thread_id=%1")
                  .arg(m_waiter);
      // The server refreshes this table only when nobody has read it for 0.1 s.
      for (int i = 0; i < 60 && !m_finish; ++i) {
        QThread::msleep(150);
        q.Open();
        if (q.Fields(0).AsInteger() > 0) {
          m_sawWait = true;
          break;
        }
      }
      c->Exec(QStringLiteral("COMMIT"));
    });
    started.wait();
  }
  ~TOtherClient() { Finish(); }
  // Commits now if it has not yet; true when the program's connection had to wait for it.
  bool Finish() {
    m_finish = true;
    if (m_thread.joinable()) m_thread.join();
    return m_sawWait;
  }

 private:
  const int m_waiter;
  std::atomic<bool> m_finish{false};
  std::atomic<bool> m_sawWait{false};
  std::thread m_thread;
};

class ConcurrentEdits : public CatalogueTest {};

const char *const kSupplierUsed = "Вы не можете удалить поставщика, так как в каталоге имеются товары от него!";
const char *const kGroupUsed = "Вы не можете удалить группу. Она используется в каталоге.";

TEST_F(ConcurrentEdits, ASupplierGivenToAMaterialDuringTheQuestionStays) {
  const int pine = fx::Material("Pine", Sup1);
  const int suppliers = fx::Count("Suppliers");
  Tinf_Suppliers list(nullptr, Sup2);
  list.show();
  for (int r = 1; r < list.SuppliersGrid->RowCount(); ++r)
    if (list.SuppliersGrid->Cells(0, r) == "Glass & Co") list.SuppliersGrid->SetRow(r);
  THookedDialogs hook;
  hook.OnBox = [&](const QString &text) {
    if (text.startsWith("Удалить поставщика"))
      Db->Exec(QStringLiteral("update Catalog set SUPPLIER=%1 where ID=%2").arg(Sup2).arg(pine));
  };
  list.BitBtn2->click();
  EXPECT_EQ(Script().LastMessage(), kSupplierUsed);
  EXPECT_EQ(fx::Count("Suppliers"), suppliers);
  EXPECT_EQ(fx::Count("Suppliers", QStringLiteral("ID=%1").arg(Sup2)), 1);
  EXPECT_FALSE(list.Changed);
}

TEST_F(ConcurrentEdits, ADiscountGroupTakenBeforeOKStaysAndTheRestIsWritten) {
  const int pine = fx::Material("Pine", Sup1);  // discount group 0
  TChangeValues editor(nullptr, 2);
  editor.show();
  ASSERT_EQ(editor.StrGrd->RowCount(), 3);
  const QString name = editor.StrGrd->Cells(0, 2);
  const int id = editor.StrGrd->ObjectAs<TTmpObj>(0, 2)->ID;
  editor.StrGrd->SetRow(2);
  editor.DelBitBtn->click();
  ASSERT_EQ(editor.DeletedIDs(), QList<int>{id});
  Script().Inputs = {QString("Seasonal")};
  editor.AddBitBtn->click();
  // another user gives a material the group before OK is pressed
  Db->Exec(QStringLiteral("update Catalog set DISCOUNTGROUP=%1 where ID=%2").arg(id).arg(pine));

  int refused = 0;
  Script().OnModal("ChangeValues", [&](QDialog *) {
    editor.BitBtn3->click();
    if (editor.isVisible()) {
      ++refused;
      EXPECT_EQ(Script().LastMessage(), kGroupUsed);
      EXPECT_EQ(fx::Count("DiscountGroups"), 2);  // nothing written
      // the group is back in the grid, so that OK writes the rest
      EXPECT_TRUE(editor.DeletedIDs().isEmpty());
      EXPECT_EQ(editor.StrGrd->Cells(0, editor.StrGrd->RowCount() - 1), name);
      editor.BitBtn3->click();
    }
    return mrNone;
  });
  EXPECT_EQ(editor.ShowModal(), mrOk);
  EXPECT_EQ(refused, 1);
  EXPECT_EQ(fx::Count("DiscountGroups", QStringLiteral("ID=%1").arg(id)), 1);
  EXPECT_EQ(fx::Count("DiscountGroups", "NAME=\"Seasonal\""), 1);
}

TEST_F(ConcurrentEdits, DiscountGroupsAddedByTwoClientsGetTheirOwnIDs) {
  const int top = SQLInt("select max(ID) from DiscountGroups");
  TChangeValues editor(nullptr, 2);
  editor.show();
  Script().Inputs = {QString("Seasonal")};
  editor.AddBitBtn->click();
  TOtherClient other(Db->Main, {QStringLiteral("insert into DiscountGroups (ID, NAME, DVALUE) values (%1, 'Other client', 5)")
                                    .arg(top + 1)});
  Script().OnModal("ChangeValues", [&](QDialog *) {
    editor.BitBtn3->click();
    if (editor.isVisible()) editor.BitBtn2->click();  // the save failed: give up
    return mrNone;
  });
  EXPECT_EQ(editor.ShowModal(), mrOk) << Script().LastMessage().toStdString();
  other.Finish();
  EXPECT_EQ(fx::Count("DiscountGroups", QStringLiteral("ID=%1 and NAME='Other client'").arg(top + 1)), 1);
  EXPECT_EQ(fx::Count("DiscountGroups", QStringLiteral("ID=%1 and NAME='Seasonal'").arg(top + 2)), 1);
}

TEST_F(ConcurrentEdits, StockPostedDuringAColourFlagChangeFollowsTheFlag) {
  const int fresh = fx::Material("Fresh", Sup1, 0, 1, 1);
  // another client is posting the first stock of the material while the card is saved
  TOtherClient other(Db->Main, {QStringLiteral("insert into CatalogQty (CATID, COLOR, QUANTITY) values (%1, -1, 0)").arg(fresh)});
  Tinf_Material card(nullptr, fresh);
  Script().OnModal("inf_Material", [&](QDialog *) {
    card.IsColored->click();
    card.BitBtn1->click();
    return mrNone;
  });
  EXPECT_EQ(card.ShowModal(), mrOk);
  other.Finish();
  // the rows found under lock are asked about, and on Yes take the new code
  EXPECT_EQ(Script().LastMessage(), "У материалов зарегистрированных на складе изменён цвет!\r\rПодтвердите изменения!");
  EXPECT_EQ(SQLInt(QStringLiteral("select ISCOLOR from Catalog where ID=%1").arg(fresh)), 1);
  EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1 and COLOR=0").arg(fresh)), 1);
  EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1 and COLOR=-1").arg(fresh)), 0);
}

}  // namespace
