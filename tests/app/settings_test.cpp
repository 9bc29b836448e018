// The settings rules: defaults, booleans in any letter case, read once, write through only
// on a change.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

#include "settings/UDm.h"

namespace {

// The store as another program would see it.
std::unique_ptr<QSettings> Store(const QString& company = QStringLiteral("Norwend"),
                                 const QString& product = QStringLiteral("Tessaly")) {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, company,
                                     product);
}

std::unique_ptr<Tdm> NewDm() {
  auto data = std::make_unique<Tdm>();
  data->dmCreate(QCoreApplication::applicationFilePath());
  return data;
}

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    // Never the real user's settings: the store must sit under the scratch home.
    QVERIFY2(Store()->fileName().contains(QStringLiteral("test-home")) ||
                 Store()->fileName().contains(QStringLiteral(".qttest")),
             qPrintable(Store()->fileName()));
  }
  void init() {
    Store()->clear();
    Store()->sync();
  }

  void theStoreIsNamedAfterTheVersionRecord() {
    auto data = NewDm();
    QCOMPARE(data->FileVersionInfo.CompanyName, QStringLiteral("Norwend"));
    QCOMPARE(data->FileVersionInfo.ProductName, QStringLiteral("Tessaly"));
    QCOMPARE(data->FileVersionInfo.FileVersion, QStringLiteral("2.2.0.5"));
    QCOMPARE(data->FileVersionInfo.CountryCode, QStringLiteral("040904E4"));
    QVERIFY(!data->FileVersionInfo.LegalCopyright.isEmpty());
    QCOMPARE(data->iaKey.FileName(), QStringLiteral("Software\\Norwend\\Tessaly"));
  }

  void everySettingReadsItsDefaultAndNothingIsWritten() {
    auto data = NewDm();
    const std::pair<TIniLinha*, const char*> defaults[] = {
        {&data->ilExportDir, ""},          {&data->ilStoreFolder, ""},
        {&data->iIdent, ""},               {&data->iIdentName, ""},
        {&data->iUseIdent, "true"},        {&data->iShowMapiWarning, "true"},
        {&data->iDuplicates, "false"},     {&data->iSiteLastAskedFileVersion, ""},
        {&data->iSiteLastFileVersion, ""}, {&data->iCollectFromBody, "false"},
        {&data->iCollectToField, "true"},  {&data->iCollectFromField, "true"},
        {&data->iCollectFromOeBody, "true"}};
    for (const auto& [key, def] : defaults) QCOMPARE(key->text(), QString::fromLatin1(def));
    QVERIFY(Store()->allKeys().isEmpty());
  }

  void booleans_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("value");
    QTest::newRow("TRUE") << "TRUE" << true;
    QTest::newRow("True") << "True" << true;
    QTest::newRow("true") << "true" << true;
    QTest::newRow("yes") << "yes" << false;
    QTest::newRow("1") << "1" << false;
    QTest::newRow("leading space") << " true" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("Sim") << "Sim" << false;
  }
  void booleans() {
    QFETCH(QString, stored);
    QFETCH(bool, value);
    Store()->setValue(QStringLiteral("Settings/UseIdent"), stored);
    Store()->sync();
    auto data = NewDm();
    QCOMPARE(data->iUseIdent.ReadBool(), value);
  }

  void anEmptyStoredValueIsNotReplacedByTheDefault() {
    Store()->setValue(QStringLiteral("Settings/ShowMapiWarning"), QString());
    Store()->sync();
    auto data = NewDm();
    QCOMPARE(data->iShowMapiWarning.text(), QString());
    QVERIFY(!data->iShowMapiWarning.ReadBool());
  }

  void aSettingIsFetchedOnceAndLaterChangesInTheStoreAreNotSeen() {
    Store()->setValue(QStringLiteral("Settings/StoreFolder"), QStringLiteral("/mail/one"));
    Store()->sync();
    auto data = NewDm();
    QCOMPARE(data->ilStoreFolder.text(), QStringLiteral("/mail/one"));
    Store()->setValue(QStringLiteral("Settings/StoreFolder"), QStringLiteral("/mail/two"));
    Store()->sync();
    QCOMPARE(data->ilStoreFolder.text(), QStringLiteral("/mail/one"));
  }

  void writesGoThroughAtOnceButOnlyWhenTheValueChanges() {
    auto data = NewDm();
    data->iDuplicates.WriteBool(false);  // equal to the default: nothing written
    data->ilExportDir.setText(QString());
    QVERIFY(Store()->allKeys().isEmpty());

    data->iDuplicates.WriteBool(true);
    QCOMPARE(Store()->value(QStringLiteral("Settings/Duplicates")).toString(),
             QStringLiteral("true"));
    data->iDuplicates.WriteBool(false);
    QCOMPARE(Store()->value(QStringLiteral("Settings/Duplicates")).toString(),
             QStringLiteral("false"));

    // Letter case counts when comparing with the value held.
    data->ilExportDir.setText(QStringLiteral("/out"));
    Store()->setValue(QStringLiteral("Settings/ExportDir"), QStringLiteral("changed elsewhere"));
    Store()->sync();
    data->ilExportDir.setText(QStringLiteral("/out"));
    QCOMPARE(Store()->value(QStringLiteral("Settings/ExportDir")).toString(),
             QStringLiteral("changed elsewhere"));
    data->ilExportDir.setText(QStringLiteral("/OUT"));
    QCOMPARE(Store()->value(QStringLiteral("Settings/ExportDir")).toString(),
             QStringLiteral("/OUT"));
  }

  void writingTheDefaultOverADifferentStoredValueReachesTheStore() {
    Store()->setValue(QStringLiteral("Settings/Duplicates"), QStringLiteral("true"));
    Store()->sync();
    auto data = NewDm();
    data->iDuplicates.WriteBool(false);  // never read before: compare with the store
    QCOMPARE(Store()->value(QStringLiteral("Settings/Duplicates")).toString(),
             QStringLiteral("false"));
  }

  void aChangedSettingSurvivesARestart() {
    NewDm()->iIdentName.setText(QStringLiteral("Main Identity"));
    QCOMPARE(NewDm()->iIdentName.text(), QStringLiteral("Main Identity"));
  }

  void otherCompaniesOrProductsKeepSeparateSettings() {
    TINIArquivo other;
    other.Language = TICLanguage::iclEnglish;
    other.SetFileName(QStringLiteral("Software\\Norwend\\OtherProduct"));
    TINISecao section(QStringLiteral("Settings"));
    section.SetArquivoAssociado(&other);
    TIniLinha key(QStringLiteral("Duplicates"), QStringLiteral("false"));
    key.SetSecaoAssociada(&section);
    key.WriteBool(true);
    QCOMPARE(NewDm()->iDuplicates.text(), QStringLiteral("false"));
    QCOMPARE(Store(QStringLiteral("Norwend"), QStringLiteral("OtherProduct"))
                 ->value(QStringLiteral("Settings/Duplicates"))
                 .toString(),
             QStringLiteral("true"));
    Store(QStringLiteral("Norwend"), QStringLiteral("OtherProduct"))->clear();
  }

  void aStoreThatRefusesWritesKeepsTheValueForTheSessionAndSaysSoOnce() {
    const QString file = Store()->fileName();
    QFile::remove(file);
    QVERIFY(QDir().mkpath(file + QStringLiteral("/blocker")));  // no file can be written there
    auto data = NewDm();
    QStringList told;
    data->iaKey.OnWriteFailed = [&](const QString& where) { told << where; };
    data->iDuplicates.WriteBool(true);
    data->ilExportDir.setText(QStringLiteral("/out"));
    QCOMPARE(data->iDuplicates.text(), QStringLiteral("true"));
    QCOMPARE(data->ilExportDir.text(), QStringLiteral("/out"));
    QCOMPARE(told, QStringList{file});
    QDir(file).removeRecursively();
  }

  void theBooleanWordsFollowTheLanguage() {
    TINIArquivo file;
    file.SetFileName(QStringLiteral("Software\\Norwend\\Words"));
    TINISecao section(QStringLiteral("Settings"));
    section.SetArquivoAssociado(&file);
    TIniLinha key(QStringLiteral("Flag"));
    key.SetSecaoAssociada(&section);
    key.WriteBool(true);
    QCOMPARE(key.text(), QStringLiteral("Sim"));
    QVERIFY(key.ReadBool());
    key.WriteBool(false);
    QCOMPARE(key.text(), QString::fromUtf8("N\xC3\xA3o"));
    Store(QStringLiteral("Norwend"), QStringLiteral("Words"))->clear();
  }

  void aKeyOutlivingItsSectionDropsTheReference() {
    auto key = std::make_unique<TIniLinha>(QStringLiteral("Orphan"), QStringLiteral("d"));
    {
      TINISecao section(QStringLiteral("Settings"));
      key->SetSecaoAssociada(&section);
    }
    QCOMPARE(key->SecaoAssociada(), nullptr);
    QCOMPARE(key->text(), QStringLiteral("d"));
  }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "settings_test.moc"
