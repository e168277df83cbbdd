#include <memory>

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

#include "ui/controls/RecordListModel.h"

namespace
{
struct Pager
{
    QString number;
    QString zone;
};

using PagerModel = RecordListModel<Pager>;

std::unique_ptr<PagerModel> pagerModel()
{
    return std::make_unique<PagerModel>(std::vector<PagerModel::Column> {
        {"Number", [](const Pager &p) { return p.number; }, 80},
        {"Zone", [](const Pager &p) { return p.zone; }, 120},
    });
}

QString cell(const PagerModel &model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}
}

class TestRecordListModel : public QObject
{
    Q_OBJECT

private slots:
    void cellsComeFromTheRecordsWhenAsked();
    void rowsShareTheirRecords();
    void sortingKeepsTiesAndTheSelection();
    void replacedRecordsAndSharedChangesRedraw();
    void otherRolesComeFromTheRowsRecord();
};

void TestRecordListModel::cellsComeFromTheRecordsWhenAsked()
{
    auto model = pagerModel();
    auto first = std::make_shared<Pager>(Pager {"0A1", "Hall"});
    model->setRecords({first, std::make_shared<Pager>(Pager {"0B2", "Terrace"})});
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(cell(*model, 1, 1), QString("Terrace"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QString("Zone"));
    QCOMPARE(model->columnWidth(0), 80);

    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    first->zone = "Bar";
    model->refresh(model->rowOf(first.get()));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model->index(0, 0));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), model->index(0, 1));
    QCOMPARE(cell(*model, 0, 1), QString("Bar"));

    model->setHeader(0, QString::fromUtf8("呼叫器号码"));
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("呼叫器号码"));
    QVERIFY(!model->data(model->index(2, 0)).isValid());
}

void TestRecordListModel::rowsShareTheirRecords()
{
    auto model = pagerModel();
    auto kept = std::make_shared<Pager>(Pager {"0C3", "Hall"});
    model->append(std::make_shared<Pager>(Pager {"001", "Hall"}));
    model->append(kept);
    QCOMPARE(model->rowOf(kept.get()), 1);
    QCOMPARE(kept.use_count(), 2);

    QVERIFY(model->remove(1));
    QVERIFY(!model->remove(1));
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->rowOf(kept.get()), -1);
    QCOMPARE(kept.use_count(), 1);
    QCOMPARE(kept->number, QString("0C3"));
    QVERIFY(!model->record(1));
}

void TestRecordListModel::sortingKeepsTiesAndTheSelection()
{
    auto model = pagerModel();
    const auto numbers = [&model] {
        QStringList listed;
        for (int row = 0; row < model->rowCount(); ++row)
            listed << cell(*model, row, 0);
        return listed;
    };
    model->setRecords({std::make_shared<Pager>(Pager {"1", "Hall"}), std::make_shared<Pager>(Pager {"2", "Bar"}),
                       std::make_shared<Pager>(Pager {"3", "Hall"}), std::make_shared<Pager>(Pager {"4", "Bar"})});
    QItemSelectionModel selection(model.get());
    selection.select(model->index(2, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    model->sortBy([](const Pager &a, const Pager &b) { return a.zone < b.zone; });
    QCOMPARE(numbers(), (QStringList {"2", "4", "1", "3"}));
    QCOMPARE(selection.selectedRows().value(0).row(), 3);
    model->sortBy([](const Pager &a, const Pager &b) { return a.number > b.number; });
    QCOMPARE(numbers(), (QStringList {"4", "3", "2", "1"}));
    QCOMPARE(selection.selectedRows().value(0).row(), 1);
    QCOMPARE(cell(*model, 1, 0), QString("3"));
}

void TestRecordListModel::replacedRecordsAndSharedChangesRedraw()
{
    auto model = pagerModel();
    const auto hall = std::make_shared<Pager>(Pager {"1", "Hall"});
    model->setRecords({hall, std::make_shared<Pager>(Pager {"2", "Bar"})});
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);

    model->replace(0, std::make_shared<Pager>(Pager {"1A", "Hall"}));
    QCOMPARE(cell(*model, 0, 0), QString("1A"));
    QCOMPARE(hall.use_count(), 1);
    QCOMPARE(changed.count(), 1);
    model->replace(5, hall);
    QCOMPARE(changed.count(), 1);

    model->refreshAll();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).toModelIndex(), model->index(0, 0));
    QCOMPARE(changed.at(1).at(1).toModelIndex(), model->index(1, 1));
}

void TestRecordListModel::otherRolesComeFromTheRowsRecord()
{
    auto model = pagerModel();
    auto hall = std::make_shared<Pager>(Pager {"0A1", "Hall"});
    model->setRecords({hall, std::make_shared<Pager>(Pager {"0B2", "Terrace"})});
    QVERIFY(!model->data(model->index(0, 0), Qt::ForegroundRole).isValid());

    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    model->setRowRole([](const Pager &p, int role) {
        return role == Qt::ToolTipRole && p.zone == "Hall" ? QVariant(QString("in the hall")) : QVariant();
    });
    QCOMPARE(changed.count(), 1);
    for (int column = 0; column < 2; ++column)
        QCOMPARE(model->data(model->index(0, column), Qt::ToolTipRole).toString(), QString("in the hall"));
    QVERIFY(!model->data(model->index(1, 0), Qt::ToolTipRole).isValid());
    QVERIFY(!model->data(model->index(0, 0), Qt::ForegroundRole).isValid());
    QCOMPARE(cell(*model, 0, 0), QString("0A1"));
    hall->zone = "Bar";
    QVERIFY(!model->data(model->index(0, 1), Qt::ToolTipRole).isValid());
}

QTEST_MAIN(TestRecordListModel)
#include "TestRecordListModel.moc"
