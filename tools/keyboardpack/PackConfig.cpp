#include "PackConfig.h"

#include "KeyboardPackText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace keysound::keyboardpack {

namespace {

const QString ReleaseSuffix = QStringLiteral("-up");

[[noreturn]] void refuse(const QString& why) { throw Refusal{why}; }

// Counted before the parser sees the text, so that its recursion stays shallow.
bool nestsDeeperThan(const QByteArray& json, int bound)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : json) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > bound)
                return true;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return false;
}

QJsonObject rootObjectOf(const QByteArray& json)
{
    if (json.size() > limits::MaxConfigBytes)
        refuse(
            KeyboardPackText::tr("config.json is larger than the %1 KiB it may be").arg(limits::MaxConfigBytes >> 10));
    if (nestsDeeperThan(json, limits::MaxNesting))
        refuse(KeyboardPackText::tr("config.json nests deeper than %1 levels").arg(limits::MaxNesting));
    QByteArray text = json;
    if (text.startsWith("\xEF\xBB\xBF"))  // editors on Windows often start the file so
        text.remove(0, 3);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        refuse(
            KeyboardPackText::tr("config.json is not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        refuse(KeyboardPackText::tr("config.json holds no object"));
    return document.object();
}

QString boundedText(const QJsonValue& value, const QString& field)
{
    if (value.isNull() || value.isUndefined())
        return {};
    if (!value.isString())
        refuse(KeyboardPackText::tr("\"%1\" in config.json is not text").arg(field));
    if (value.toString().size() > limits::MaxNameLength)
        refuse(KeyboardPackText::tr("\"%1\" in config.json is longer than %2 characters")
                   .arg(field)
                   .arg(limits::MaxNameLength));
    return value.toString();
}

int versionOf(const QJsonValue& value)
{
    if (value.isNull() || value.isUndefined())
        return 1;
    const QString text = value.isDouble() ? QString::number(value.toDouble()) : value.toString();
    if (text != u"1" && text != u"2")
        refuse(KeyboardPackText::tr("config.json is of version \"%1\"; keysound reads versions 1 and 2").arg(text));
    return text.toInt();
}

DefineType defineTypeOf(const QJsonValue& value)
{
    if (value == QJsonValue(QStringLiteral("single")))
        return DefineType::Single;
    if (value == QJsonValue(QStringLiteral("multi")))
        return DefineType::Multi;
    refuse(KeyboardPackText::tr("\"key_define_type\" in config.json is neither \"single\" nor \"multi\""));
}

qint64 millisecondsOf(const QJsonValue& value, qint64 bound, const QString& code)
{
    const double ms = value.toDouble(-1);
    if (!value.isDouble() || !std::isfinite(ms) || ms < 0)
        refuse(KeyboardPackText::tr("the slice of key %1 has a negative or missing start or length").arg(code));
    if (ms > double(bound))
        refuse(KeyboardPackText::tr("the slice of key %1 starts or lasts longer than a key sound can (%2 ms)")
                   .arg(code)
                   .arg(std::llround(ms)));
    return std::llround(ms);
}

DefinedSound sliceOf(const QJsonValue& value, const QString& code)
{
    const QJsonArray slice = value.toArray();
    if (!value.isArray() || slice.size() != 2)
        refuse(KeyboardPackText::tr("the define of key %1 is not [start, length] in milliseconds").arg(code));
    const Slice cut{.startMs = millisecondsOf(slice.at(0), limits::MaxSliceStartMs, code),
                    .lengthMs = millisecondsOf(slice.at(1), limits::MaxSliceLengthMs, code)};
    return cut.lengthMs > 0 ? DefinedSound{cut} : DefinedSound{};  // an empty slice is no sound

}

DefinedSound definedSoundOf(const QJsonValue& value, DefineType type, const QString& code)
{
    if (value.isNull())
        return std::monostate{};
    if (type == DefineType::Single)
        return sliceOf(value, code);
    if (!value.isString())
        refuse(KeyboardPackText::tr("the define of key %1 is not a file name").arg(code));
    const QString name = boundedText(value, code);
    return name.isEmpty() ? DefinedSound{} : DefinedSound{name};
}

}  // namespace

PackConfig parsePackConfig(const QByteArray& json)
{
    const QJsonObject root = rootObjectOf(json);
    PackConfig config;
    config.id = root.value(u"id").isString() ? boundedText(root.value(u"id"), QStringLiteral("id")) : QString();
    config.name = root.value(u"name").isString() ? boundedText(root.value(u"name"), QStringLiteral("name")) : QString();
    config.type = defineTypeOf(root.value(u"key_define_type"));
    config.version = versionOf(root.value(u"version"));
    config.sound = boundedText(root.value(u"sound"), QStringLiteral("sound"));
    if (config.type == DefineType::Single && config.sound.isEmpty())
        refuse(KeyboardPackText::tr("config.json names no \"sound\" to cut the keys' slices from"));
    if (!boundedText(root.value(u"soundup"), QStringLiteral("soundup")).isEmpty())
        ++config.releaseSounds;
    const QJsonValue defines = root.value(u"defines");
    if (!defines.isObject())
        refuse(KeyboardPackText::tr("config.json has no \"defines\" object"));
    const QJsonObject keys = defines.toObject();
    if (keys.size() > limits::MaxDefines)
        refuse(KeyboardPackText::tr("config.json defines %1 keys, more than the %2 a pack may")
                   .arg(keys.size())
                   .arg(limits::MaxDefines));
    for (auto key = keys.begin(); key != keys.end(); ++key) {
        if (key.key().endsWith(ReleaseSuffix))
            ++config.releaseSounds;
        else
            config.defines.append({key.key(), definedSoundOf(key.value(), config.type, key.key())});
    }
    return config;
}

}  // namespace keysound::keyboardpack
