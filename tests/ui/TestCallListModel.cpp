#include <QBrush>
#include <QTest>

#include "base/LocalTime.h"
#include "data/SetupRecord.h"
#include "calls/CallRows.h"
#include "ui/CallListModel.h"
#include "ui/Colours.h"
#include "ui/UiText.h"

namespace
{
// Hands the core's reports for one list to the model, as the main window does.
class ForwardingView : public ICallDeskView
{
public:
    void rowInserted(CallListId, int row) override { model->rowInserted(row); }
    void rowRemoved(CallListId, int row) override { model->rowRemoved(row); }
    void rowsChanged(CallListId, int first, int last) override { model->rowsChanged(first, last); }
    void rowsReset(CallListId) override { model->rowsReset(); }
    void popupCreate(bool) override {}
    void popupEntryChanged(int) override {}
    void popupRaise() override {}
    void flashWindow() override {}
    void unsavedCallsChanged() override {}

    CallListModel *model = nullptr;
};

CallPtr makeCall(const std::string &pager, int minute, int serviceSeconds, bool answered = false)
{
    auto call = std::make_shared<CCall>(*localDateTime(2024, 6, 15, 9, minute, 0));
    call->PagerNum = pager;
    call->PagerName = "Table " + pager;
    call->SevTotalSeconds = Poco::Timespan(serviceSeconds, 0);
    call->SevStatus = answered ? CCall::Answered : CCall::Open;
    return call;
}

struct Fixture
{
    Fixture()
        : rows {CallListId::Calls, view}
        , model {rows, setup, [this](const CallPtr &call, const std::string &text) {
                     edited = call;
                     remark = text;
                     inStepWhenEdited = mirrorsTheCore();
                 }}
    {
        view.model = &model;
    }

    bool mirrorsTheCore() const
    {
        if (model.rowCount() != int(rows.size()))
            return false;
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.callAt(row) != rows.at(std::size_t(row))
                || model.index(row, 0).data().toString() != QString::number(row + 1))
                return false;
        }
        return true;
    }

    SetupRecord setup;
    ForwardingView view;
    CallRows rows;
    CallListModel model;
    CallPtr edited;
    std::string remark;
    bool inStepWhenEdited = false;
};
}

class TestCallListModel : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void followsEveryChangeOfTheCoreRows()
    {
        Fixture f;
        f.rows.insertSorted(makeCall("1", 1, 0));
        f.rows.insertSorted(makeCall("2", 3, 0));
        f.rows.insertSorted(makeCall("3", 2, 0));
        QVERIFY(f.mirrorsTheCore());
        QCOMPARE(f.model.index(0, 1).data().toString(), QStringLiteral("Table 2"));
        f.rows.append(makeCall("4", 0, 0));
        f.rows.removeAt(1);
        QVERIFY(f.mirrorsTheCore());
        f.rows.reuse(0, makeCall("5", 9, 0));
        QVERIFY(f.mirrorsTheCore());
        QCOMPARE(f.model.index(0, 1).data().toString(), QStringLiteral("Table 5"));
        f.rows.sortBy(-3);
        QVERIFY(f.mirrorsTheCore());
        QCOMPARE(f.model.index(0, 1).data().toString(), QStringLiteral("Table 4"));
        f.rows.removeAll();
        QCOMPARE(f.model.rowCount(), 0);
    }

    void rowsTakeTheirLevelsTextsAndColours_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<quint32>("background");
        QTest::addColumn<quint32>("text");
        const SetupRecord s;
        QTest::newRow("normal") << 5 << false << "Unhandled" << "未应答" << s.NoReplyBkcolor << s.NoReplytxtcolor;
        QTest::newRow("warning 1") << 60 << false << "1st Warning" << "服务预警1" << s.Warn1Bkcolor
                                   << s.Warn1txtcolor;
        QTest::newRow("warning 2") << 130 << false << "2nd Warning" << "服务预警2" << s.Warn2Bkcolor
                                   << s.Warn2txtcolor;
        QTest::newRow("timeout") << 600 << false << "Final Warning" << "服务超时" << s.TimeoutBkcolor
                                 << s.Timeouttxtcolor;
        QTest::newRow("answered") << 30 << true << "Processed" << "已应答" << s.HasReplyBkcolor
                                  << s.HasReplytxtcolor;
    }

    void rowsTakeTheirLevelsTextsAndColours()
    {
        QFETCH(int, seconds);
        QFETCH(bool, answered);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        QFETCH(quint32, background);
        QFETCH(quint32, text);
        Fixture f;
        f.rows.insertSorted(makeCall("7", 0, seconds, answered));
        for (int column = 0; column < CallListModel::ColumnCount; ++column) {
            const QModelIndex cell = f.model.index(0, column);
            QCOMPARE(cell.data(Qt::BackgroundRole).value<QBrush>().color(), qColour(background));
            QCOMPARE(cell.data(Qt::ForegroundRole).value<QBrush>().color(), qColour(text));
        }
        QCOMPARE(f.model.index(0, 7).data().toString(), english);
        setUiLanguage(2052);
        QCOMPARE(f.model.index(0, 7).data().toString(), chinese);
        QCOMPARE(f.model.headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("服务状态"));
        QCOMPARE(f.model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("NO."));
    }

    void onlyTheRemarkIsEditedAndTheCoreStoresIt()
    {
        Fixture f;
        const CallPtr call = makeCall("8", 0, 0);
        call->Remark = "window seat";
        f.rows.insertSorted(call);
        QVERIFY(!(f.model.flags(f.model.index(0, 1)) & Qt::ItemIsEditable));
        QVERIFY(f.model.flags(f.model.index(0, CallListModel::RemarkColumn)) & Qt::ItemIsEditable);
        QCOMPARE(f.model.index(0, CallListModel::RemarkColumn).data(Qt::EditRole).toString(),
                 QStringLiteral("window seat"));
        QVERIFY(!f.model.setData(f.model.index(0, 1), QStringLiteral("x"), Qt::EditRole));
        QVERIFY(f.model.setData(f.model.index(0, CallListModel::RemarkColumn), QStringLiteral("靠窗"), Qt::EditRole));
        QCOMPARE(f.edited, call);
        QCOMPARE(f.remark, std::string("靠窗"));
    }

    // The core changes the rows while an editor is open on pager 2's row.
    void anOpenEditorsTextGoesToItsOwnCall_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("taken");
        QTest::newRow("its row reused") << 0 << true;
        QTest::newRow("its row removed") << 1 << true;
        QTest::newRow("rows re-sorted") << 2 << true;
        QTest::newRow("all rows removed") << 3 << true;
        QTest::newRow("a row inserted above it") << 4 << false;
        QTest::newRow("another row removed") << 5 << false;
        QTest::newRow("its row repainted") << 6 << false;
    }

    void anOpenEditorsTextGoesToItsOwnCall()
    {
        QFETCH(int, change);
        QFETCH(bool, taken);
        Fixture f;
        f.rows.insertSorted(makeCall("1", 1, 0, true));
        f.rows.insertSorted(makeCall("2", 2, 0, true));
        f.rows.insertSorted(makeCall("3", 3, 0, true));
        const CallPtr call = f.rows.at(1);
        QCOMPARE(call->PagerNum, std::string("2"));
        int asked = 0;
        f.model.setOpenEditorTaker([&]() -> std::optional<QString> {
            ++asked;
            return QStringLiteral("typed");
        });
        f.model.remarkEditOpened(1);
        QCOMPARE(f.model.editedCall(), call);
        switch (change) {
        case 0:
            f.rows.reuse(1, makeCall("4", 4, 0));
            break;
        case 1:
            f.rows.removeAt(1);
            break;
        case 2:
            f.rows.sortBy(-3);
            break;
        case 3:
            f.rows.removeAll();
            break;
        case 4:
            f.rows.insertSorted(makeCall("5", 9, 0));
            break;
        case 5:
            f.rows.removeAt(2);
            break;
        case 6:
            f.rows.changed(1, 1);
            break;
        }
        QVERIFY(f.mirrorsTheCore());
        QCOMPARE(asked, taken ? 1 : 0);
        if (!taken) {
            QVERIFY(!f.edited);
            QCOMPARE(f.model.editedCall(), call);
            return;
        }
        QCOMPARE(f.edited, call);
        QCOMPARE(f.remark, std::string("typed"));
        QVERIFY2(f.inStepWhenEdited, "stored after the change was replayed");
        QVERIFY(!f.model.editedCall());
    }

    void theEditorCommitsToTheCallItWasOpenedOn()
    {
        Fixture f;
        f.rows.insertSorted(makeCall("1", 1, 0));
        f.rows.insertSorted(makeCall("2", 2, 0));
        const CallPtr call = f.rows.at(1);
        f.model.remarkEditOpened(1);
        // A row inserted above: the editor's index moved with it.
        f.rows.insertSorted(makeCall("3", 3, 0));
        QVERIFY(f.model.setData(f.model.index(2, CallListModel::RemarkColumn), QStringLiteral("x"), Qt::EditRole));
        QCOMPARE(f.edited, call);
        f.model.remarkEditClosed();
        QVERIFY(!f.model.editedCall());
    }
};

QTEST_MAIN(TestCallListModel)
#include "TestCallListModel.moc"
