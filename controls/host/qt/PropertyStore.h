#pragma once

#include <QString>
#include <QVariant>
#include <map>
#include <stdexcept>

namespace agendix::controls {

// Text given to PropertyStore::FromText that is not a stored design, or a value ToText cannot
// keep; the message says which property and what was wrong.
class PropertyStoreFormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The host's store of one control instance's design-time properties. Names match without regard
// to letter case. Values are QVariants: numbers, booleans, texts, colours (32-bit values as
// quint32), fonts (QFont) and pictures (PicturePtr).
class PropertyStore {
  public:
    // The value stored under `name`, or `defaultValue` when nothing is stored under it.
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = {}) const;

    // Stores `value` under `name`; a value equal to `defaultValue` is left out (and an earlier
    // value under that name removed), so reading it back gives the default.
    void WriteProperty(const QString& name, const QVariant& value,
                       const QVariant& defaultValue = {});

    bool Contains(const QString& name) const;
    bool IsEmpty() const { return values_.empty(); }

    // The stored design as readable JSON text, so that a window's design can be kept as a
    // resource: each property with its name as written, a type tag and its value. Colours are
    // 32-bit numbers, fonts QFont::toString() texts, pictures base64 PNG images.
    // Throws PropertyStoreFormatError for a value of a type the text cannot keep.
    QString ToText() const;
    // The store that ToText() wrote. Throws PropertyStoreFormatError for anything else.
    static PropertyStore FromText(const QString& text);

  private:
    static QString Key(const QString& name) { return name.toCaseFolded(); }

    // Keyed by the case-folded name; each entry keeps the name as first written.
    std::map<QString, std::pair<QString, QVariant>> values_;
};

}  // namespace agendix::controls
