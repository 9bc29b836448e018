#include "settings/IniCompo32.h"

#include <QSettings>
#include <algorithm>

namespace {

template <typename T>
void Drop(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

TINIArquivo::TINIArquivo() = default;

TINIArquivo::~TINIArquivo() {
  for (TINISecao* s : sections_) s->file_ = nullptr;
}

void TINIArquivo::SetFileName(const QString& fileName) {
  if (fileName == fileName_ && settings_) return;
  fileName_ = fileName;
  settings_.reset();
  // "Software\<company>\<product>": the per-user store of that company and product.
  const QStringList parts = fileName.split(QLatin1Char('\\'));
  const QString company = parts.value(1);
  const QString product = parts.value(2);
  settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, company,
                                          product);
}

QString TINIArquivo::TrueWord() const {
  return Language == TICLanguage::iclEnglish ? QStringLiteral("true") : QStringLiteral("Sim");
}

QString TINIArquivo::FalseWord() const {
  return Language == TICLanguage::iclEnglish ? QStringLiteral("false")
                                             : QString::fromUtf8("N\xC3\xA3o");
}

QString TINIArquivo::ReadString(const QString& section, const QString& key,
                                const QString& def) const {
  if (!settings_) return {};
  const QVariant v = settings_->value(section + QLatin1Char('/') + key);
  return v.isValid() ? v.toString() : def;
}

void TINIArquivo::WriteString(const QString& section, const QString& key, const QString& value) {
  if (!settings_) return;
  settings_->setValue(section + QLatin1Char('/') + key, value);
  settings_->sync();
  // The value stays in force for this session either way; the owner is told once that the
  // store refused it, so that the user learns it will not survive a restart.
  if (settings_->status() != QSettings::NoError && !writeFailed_) {
    writeFailed_ = true;
    if (OnWriteFailed) OnWriteFailed(settings_->fileName());
  }
}

TINISecao::~TINISecao() {
  SetArquivoAssociado(nullptr);
  for (TIniLinha* k : keys_) k->section_ = nullptr;
}

void TINISecao::SetArquivoAssociado(TINIArquivo* file) {
  if (file_ == file) return;
  if (file_) Drop(file_->sections_, this);
  file_ = file;
  if (file_) file_->sections_.push_back(this);
}

TIniLinha::~TIniLinha() { SetSecaoAssociada(nullptr); }

void TIniLinha::SetSecaoAssociada(TINISecao* section) {
  if (section_ == section) return;
  if (section_) Drop(section_->keys_, this);
  section_ = section;
  if (section_) section_->keys_.push_back(this);
}

QString TIniLinha::text() {
  if (!read_ && section_ && File()) {
    text_ = File()->ReadString(section_->Caption, Caption, text_);
    read_ = true;
  }
  return text_;
}

void TIniLinha::setText(const QString& value) {
  // Compare with what the store holds, not with a default that was never checked against
  // it: otherwise writing the default over a different stored value would be skipped.
  text();
  if (value == text_) return;
  text_ = value;
  TINIArquivo* file = File();
  if (section_ && file && file->AutoApply) file->WriteString(section_->Caption, Caption, value);
}

bool TIniLinha::ReadBool() {
  const TINIArquivo* file = File();
  const QString trueWord = file ? file->TrueWord() : QStringLiteral("Sim");
  return text().compare(trueWord, Qt::CaseInsensitive) == 0;
}

void TIniLinha::WriteBool(bool value) {
  const TINIArquivo* file = File();
  TINIArquivo fallback;
  const TINIArquivo& words = file ? *file : fallback;
  setText(value ? words.TrueWord() : words.FalseWord());
}
