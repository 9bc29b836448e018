// The address grid's model over a real table: live paging, all-records sorting, display.
#include <QAbstractItemModelTester>
#include <QtTest>

#include "AddressGridModel.h"
#include "Shared/AddressList.h"

class GridModelTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  std::unique_ptr<tessaly::TAddressList> Filled(int n) {
    auto list = std::make_unique<tessaly::TAddressList>([] { return false; });
    list->CreateAddressTable(dir_.path().toStdString(), "grid.dat");
    list->Table()->Open();
    list->Table()->SetIndexName("ndxemail");
    for (int i = 0; i < n; ++i) {
      char email[32], name[16];
      std::snprintf(email, sizeof email, "user%05d@x.test", (i * 7919) % 100000);
      std::snprintf(name, sizeof name, "N%05d", n - i);
      list->oeAddress(nullptr, email, name, static_cast<std::uint8_t>(i % 6), 0);
    }
    list->Table()->Commit();
    return list;
  }

 private Q_SLOTS:
  void passesTheModelTesterInBothModes() {
    auto list = Filled(700);  // more than two pages
    TAddressGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.Attach(list->Table());
    QCOMPARE(model.rowCount(), 700);
    QCOMPARE(model.columnCount(), 3);
    model.SortAllRecords(1, Qt::DescendingOrder);
    model.LeaveAllRecordsMode();
    model.Detach();
    QCOMPARE(model.rowCount(), 0);
  }

  void liveModeFollowsTheIndexOrderAcrossPages() {
    auto list = Filled(600);
    TAddressGridModel model;
    model.Attach(list->Table());
    QString previous;
    for (int row : {0, 1, 255, 256, 257, 511, 512, 599}) {
      const QString email = model.index(row, 0).data().toString();
      QVERIFY2(previous.compare(email, Qt::CaseInsensitive) < 0, qPrintable(email));
      previous = email;
    }
    QCOMPARE(model.index(600, 0).data(), QVariant());
  }

  void allRecordsModeSortsByTheColumnAndLeavesTheTableAlone() {
    auto list = Filled(50);
    TAddressGridModel model;
    model.Attach(list->Table());
    const QString firstLive = model.index(0, 0).data().toString();
    model.SortAllRecords(1, Qt::AscendingOrder);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("N00001"));
    model.SortAllRecords(1, Qt::DescendingOrder);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("N00050"));
    model.LeaveAllRecordsMode();
    QCOMPARE(model.index(0, 0).data().toString(), firstLive);
  }

  void bytesShowAsUtf8WhenValidElseAsWindows1252() {
    QCOMPARE(TAddressGridModel::Display("J\xC3\xB6rg"), QString::fromUtf8("J\xC3\xB6rg"));
    QCOMPARE(TAddressGridModel::Display("J\xF6rg \x80 \x93q\x94"),
             QString::fromUtf8("J\xC3\xB6rg \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D"));
    QCOMPARE(TAddressGridModel::Display(std::string("a\0b", 3)), QString::fromUtf8("a\0b", 3));
  }
};

QTEST_MAIN(GridModelTest)
#include "grid_model_test.moc"
