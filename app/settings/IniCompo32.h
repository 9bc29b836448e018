// Settings components in the manner of an INI file: one file component over the per-user
// store, one section component, one key component per setting.
//
// A key is fetched from the store on its first read and held in memory afterwards; a new
// value is written through at once, and only when it differs from the value held.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QSettings;

enum class TICLanguage { iclPortuguese, iclEnglish };

class TINISecao;
class TIniLinha;

class TINIArquivo {
 public:
  TINIArquivo();
  ~TINIArquivo();
  TINIArquivo(const TINIArquivo&) = delete;
  TINIArquivo& operator=(const TINIArquivo&) = delete;

  // The key path of the store, "Software\<company>\<product>". A new path closes the store
  // object and opens one on that path (created when missing).
  void SetFileName(const QString& fileName);
  const QString& FileName() const { return fileName_; }

  TICLanguage Language = TICLanguage::iclPortuguese;
  bool AutoApply = true;

  QString TrueWord() const;
  QString FalseWord() const;

  // Forwarded to the store object; without one every read answers the empty text.
  QString ReadString(const QString& section, const QString& key, const QString& def) const;
  void WriteString(const QString& section, const QString& key, const QString& value);
  bool HasStore() const { return settings_ != nullptr; }

  // Called once, with the store's location, the first time the store refuses a write.
  std::function<void(const QString& where)> OnWriteFailed;
  bool WriteFailed() const { return writeFailed_; }

 private:
  friend class TINISecao;
  QString fileName_;
  std::unique_ptr<QSettings> settings_;
  std::vector<TINISecao*> sections_;
  bool writeFailed_ = false;
};

class TINISecao {
 public:
  explicit TINISecao(const QString& caption = {}) : Caption(caption) {}
  ~TINISecao();
  TINISecao(const TINISecao&) = delete;
  TINISecao& operator=(const TINISecao&) = delete;

  QString Caption;
  void SetArquivoAssociado(TINIArquivo* file);
  TINIArquivo* ArquivoAssociado() const { return file_; }

 private:
  friend class TINIArquivo;
  friend class TIniLinha;
  TINIArquivo* file_ = nullptr;
  std::vector<TIniLinha*> keys_;
};

class TIniLinha {
 public:
  // caption is the key name; defaultText the value held until the store is read.
  explicit TIniLinha(const QString& caption = {}, const QString& defaultText = {})
      : Caption(caption), text_(defaultText) {}
  ~TIniLinha();
  TIniLinha(const TIniLinha&) = delete;
  TIniLinha& operator=(const TIniLinha&) = delete;

  QString Caption;
  void SetSecaoAssociada(TINISecao* section);
  TINISecao* SecaoAssociada() const { return section_; }

  // The current value, fetched from the store on first use.
  QString text();
  // Keeps the new value and writes it through when it differs from the value held.
  void setText(const QString& value);

  // True exactly when the value is the true word of the file's language, in any case.
  bool ReadBool();
  void WriteBool(bool value);

  bool Read() const { return read_; }

 private:
  friend class TINISecao;
  TINIArquivo* File() const { return section_ ? section_->file_ : nullptr; }
  TINISecao* section_ = nullptr;
  QString text_;
  bool read_ = false;
};
