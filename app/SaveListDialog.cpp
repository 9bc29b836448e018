#include "SaveListDialog.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "StdDlgs.h"
#include "list/SaveLayouts.h"

namespace {

TSaveListDialog::TResponder g_responder;

QStringList NameFilters() {
  QStringList filters;
  for (const tessaly::TSaveLayout& layout : tessaly::SaveLayouts())
    filters << QString::fromLatin1(layout.caption.data(),
                                   static_cast<qsizetype>(layout.caption.size()));
  return filters;
}

// "E-Mail Text file (*.txt)" -> "txt".
QString ExtensionOf(const QString& filter) {
  static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.([^)]*)\\)"));
  const QRegularExpressionMatch m = pattern.match(filter);
  return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace

TSaveListDialog::TSaveListDialog(QWidget* parent, const QString& folder)
    : QFileDialog(parent, QStringLiteral("Save list as"), folder) {
  // The toolkit's own dialog, so that the checks below apply on every desktop.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setOption(QFileDialog::DontConfirmOverwrite, false);
  setNameFilters(NameFilters());
  selectNameFilter(NameFilters().first());
  setDefaultSuffix(QStringLiteral("dbf"));
  // A name typed without extension gets the one of the chosen file type.
  connect(this, &QFileDialog::filterSelected, this,
          [this](const QString& filter) { setDefaultSuffix(ExtensionOf(filter)); });
}

int TSaveListDialog::FilterIndex() const {
  return static_cast<int>(NameFilters().indexOf(selectedNameFilter())) + 1;
}

QString TSaveListDialog::ChosenPath() const {
  const QStringList files = selectedFiles();
  return files.isEmpty() ? QString() : files.first();
}

void TSaveListDialog::accept() {
  const QStringList files = selectedFiles();
  if (!files.isEmpty()) {
    const QFileInfo chosen(files.first());
    if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
      StdDlgs::ShowError(QStringLiteral("The folder %1 does not exist.")
                             .arg(QDir::toNativeSeparators(chosen.absolutePath())));
      return;
    }
  }
  QFileDialog::accept();
}

int TSaveListDialog::ShowModal() {
  return g_responder ? g_responder(*this) : exec();
}

void TSaveListDialog::SetResponder(TResponder responder) {
  g_responder = std::move(responder);
}
