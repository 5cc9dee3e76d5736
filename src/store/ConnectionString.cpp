#include "store/ConnectionString.h"

#include "platform/Error.h"
#include "platform/TableFolder.h"
#include "store/Schema.h"
#include "store/StoreText.h"

#include <QList>

namespace keysound::store {

namespace {

const QString DataSourcePrefix =
    QStringLiteral("PROVIDER=MSDataShape;Data PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=");

struct Setting {
    QString keyword;
    QString value;
};

// A value the connection-string syntax would cut or trim must travel in double quotes.
bool needsQuoting(const QString& value)
{
    return value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('"')) ||
           (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
}

QString nonNull(const QString& text) { return text.isNull() ? QStringLiteral("") : text; }

[[noreturn]] void throwSyntaxError(const QString& connectionString, const QString& why)
{
    throw Error(ErrorNumber::InvalidArgument,
                StoreText::tr("Cannot read the connection string \"%1\": %2.").arg(connectionString, why));
}

class SettingsParser {
public:
    explicit SettingsParser(const QString& text)
        : text_(text)
    {}

    QList<Setting> parse()
    {
        QList<Setting> settings;
        while (pos_ < text_.size()) {
            const qsizetype equals = text_.indexOf(QLatin1Char('='), pos_);
            const qsizetype semicolon = text_.indexOf(QLatin1Char(';'), pos_);
            if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
                if (semicolon < 0)
                    break;
                pos_ = semicolon + 1;  // a fragment without '=' carries no setting
                continue;
            }
            const QString keyword = text_.mid(pos_, equals - pos_).trimmed();
            pos_ = equals + 1;
            settings.append({keyword, nonNull(readValue())});
        }
        return settings;
    }

private:
    QString readValue()
    {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == QLatin1Char('"'))
            return readQuotedValue();
        const qsizetype semicolon = text_.indexOf(QLatin1Char(';'), pos_);
        const qsizetype end = semicolon < 0 ? text_.size() : semicolon;
        const QString value = text_.mid(pos_, end - pos_).trimmed();
        pos_ = end + 1;
        return value;
    }

    QString readQuotedValue()
    {
        QString value;
        for (qsizetype i = pos_ + 1; i < text_.size(); ++i) {
            if (text_[i] != QLatin1Char('"')) {
                value += text_[i];
            } else if (i + 1 < text_.size() && text_[i + 1] == QLatin1Char('"')) {
                value += QLatin1Char('"');
                ++i;
            } else {
                pos_ = i + 1;
                expectEndOfValue();
                return value;
            }
        }
        throwSyntaxError(text_, StoreText::tr("a quoted value has no closing quote"));
    }

    void expectEndOfValue()
    {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] != QLatin1Char(';'))
            throwSyntaxError(text_, StoreText::tr("there is text after a value's closing quote"));
        ++pos_;
    }

    void skipBlanks()
    {
        while (pos_ < text_.size() && text_[pos_].isSpace())
            ++pos_;
    }

    const QString& text_;
    qsizetype pos_ = 0;
};

}  // namespace

QString connectionStringFor(const QString& appFolder)
{
    const QString dataSource = platform::TableFolder(appFolder).databasePathText();
    return DataSourcePrefix + (needsQuoting(dataSource) ? schema::quotedIdentifier(dataSource) : dataSource) +
           QLatin1Char(';');
}

QString connectionStringValue(const QString& connectionString, const QString& keyword)
{
    QString found;
    for (const Setting& setting : SettingsParser(connectionString).parse()) {
        if (setting.keyword.compare(keyword.trimmed(), Qt::CaseInsensitive) == 0)
            found = setting.value;  // the last setting of a keyword wins
    }
    return found;
}

}  // namespace keysound::store
