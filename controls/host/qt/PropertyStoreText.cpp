// The text form of a PropertyStore: a JSON document with one tagged entry per property.

#include <QBuffer>
#include <QFont>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

#include "controls/host/qt/Picture.h"
#include "controls/host/qt/PropertyStore.h"

namespace agendix::controls {
namespace {

const QString kFormat = QStringLiteral("agendix-property-store");
constexpr int kFormatVersion = 1;

[[noreturn]] void Fail(const QString& message) {
    throw PropertyStoreFormatError(message.toStdString());
}

QString EncodeImage(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QString::fromLatin1(png.toBase64());
}

QImage DecodeImage(const QJsonValue& value, const QString& where) {
    QImage image;
    const QByteArray png = QByteArray::fromBase64(value.toString().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!value.isString() || !image.loadFromData(png, "PNG")) {
        Fail(where + ": a picture image is not base64 PNG data");
    }
    return image;
}

QJsonObject EncodePicture(const PicturePtr& picture) {
    QJsonObject entry;
    if (!picture) {
        entry["kind"] = "none";
        return entry;
    }
    QJsonArray images;
    if (picture->type() == Picture::Type::Icon) {
        entry["kind"] = "icon";
        for (const QSize& size : picture->icon().availableSizes()) {
            images.append(EncodeImage(picture->icon().pixmap(size).toImage()));
        }
    } else {
        entry["kind"] = "bitmap";
        images.append(EncodeImage(picture->image()));
    }
    entry["images"] = images;
    return entry;
}

PicturePtr DecodePicture(const QJsonObject& entry, const QString& where) {
    const QString kind = entry["kind"].toString();
    if (kind == "none") {
        return nullptr;
    }
    const QJsonArray images = entry["images"].toArray();
    if (kind == "bitmap" && images.size() == 1) {
        return Picture::FromBitmap(DecodeImage(images.first(), where));
    }
    if (kind == "icon") {
        QIcon icon;
        for (const QJsonValue& image : images) {
            icon.addPixmap(QPixmap::fromImage(DecodeImage(image, where)));
        }
        return Picture::FromIcon(icon);
    }
    Fail(where + ": a picture must be \"none\", \"icon\" or one \"bitmap\" image");
}

QJsonObject EncodeValue(const QString& name, const QVariant& value) {
    QJsonObject entry{{"name", name}};
    const int type = value.typeId();
    if (type == QMetaType::Bool) {
        entry["type"] = "bool";
        entry["value"] = value.toBool();
    } else if (type == QMetaType::Short || type == QMetaType::Int) {
        entry["type"] = type == QMetaType::Short ? "int16" : "int32";
        entry["value"] = value.toInt();
    } else if (type == QMetaType::UInt) {
        entry["type"] = "uint32";
        entry["value"] = static_cast<qint64>(value.toUInt());
    } else if (type == QMetaType::Double) {
        entry["type"] = "double";
        entry["value"] = value.toDouble();
    } else if (type == QMetaType::QString) {
        entry["type"] = "text";
        entry["value"] = value.toString();
    } else if (type == QMetaType::QFont) {
        entry["type"] = "font";
        entry["value"] = value.value<QFont>().toString();
    } else if (type == qMetaTypeId<PicturePtr>()) {
        entry["type"] = "picture";
        entry["value"] = EncodePicture(value.value<PicturePtr>());
    } else {
        Fail(QStringLiteral("Property \"%1\": a value of type %2 cannot be kept as text")
                 .arg(name, QString::fromLatin1(value.metaType().name())));
    }
    return entry;
}

// The JSON number `value` as a whole number within [low, high].
qint64 WholeNumber(const QJsonValue& value, qint64 low, qint64 high, const QString& where) {
    const double number = value.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!value.isDouble() || number != static_cast<double>(static_cast<qint64>(number)) ||
        number < static_cast<double>(low) || number > static_cast<double>(high)) {
        Fail(QStringLiteral("%1: expected a whole number from %2 to %3")
                 .arg(where)
                 .arg(low)
                 .arg(high));
    }
    return static_cast<qint64>(number);
}

QVariant DecodeValue(const QJsonObject& entry, const QString& where) {
    const QString type = entry["type"].toString();
    const QJsonValue value = entry["value"];
    if (type == "bool" && value.isBool()) {
        return value.toBool();
    }
    if (type == "int16") {
        return QVariant::fromValue(static_cast<short>(WholeNumber(value, -32768, 32767, where)));
    }
    if (type == "int32") {
        return static_cast<int>(WholeNumber(value, std::numeric_limits<int>::min(),
                                            std::numeric_limits<int>::max(), where));
    }
    if (type == "uint32") {
        return static_cast<uint>(WholeNumber(value, 0, std::numeric_limits<uint>::max(), where));
    }
    if (type == "double" && value.isDouble()) {
        return value.toDouble();
    }
    if (type == "text" && value.isString()) {
        return value.toString();
    }
    QFont font;
    if (type == "font" && value.isString() && font.fromString(value.toString())) {
        return font;
    }
    if (type == "picture" && value.isObject()) {
        return QVariant::fromValue(DecodePicture(value.toObject(), where));
    }
    Fail(
        QStringLiteral("%1: \"%2\" is not a value of type \"%3\"")
            .arg(where,
                 QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact)),
                 type));
}

}  // namespace

QString PropertyStore::ToText() const {
    QJsonArray properties;
    for (const auto& [key, entry] : values_) {
        properties.append(EncodeValue(entry.first, entry.second));
    }
    const QJsonObject document{
        {"format", kFormat}, {"version", kFormatVersion}, {"properties", properties}};
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

PropertyStore PropertyStore::FromText(const QString& text) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
    if (document.isNull()) {
        Fail(QStringLiteral("Property store text, at character %1: %2")
                 .arg(parseError.offset)
                 .arg(parseError.errorString()));
    }
    const QJsonObject root = document.object();
    if (root["format"].toString() != kFormat || root["version"].toInt() != kFormatVersion) {
        Fail(QStringLiteral("Property store text: not a version %1 \"%2\" document")
                 .arg(kFormatVersion)
                 .arg(kFormat));
    }
    PropertyStore store;
    const QJsonArray properties = root["properties"].toArray();
    for (qsizetype index = 0; index < properties.size(); ++index) {
        const QJsonObject entry = properties[index].toObject();
        const QString name = entry["name"].toString();
        const QString where =
            QStringLiteral("Property store text, property %1 (\"%2\")").arg(index + 1).arg(name);
        if (name.isEmpty()) {
            Fail(where + ": the property has no name");
        }
        if (store.Contains(name)) {
            Fail(where + ": the name appears twice");
        }
        store.values_[Key(name)] = {name, DecodeValue(entry, where)};
    }
    return store;
}

}  // namespace agendix::controls
