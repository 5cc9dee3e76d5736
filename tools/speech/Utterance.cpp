#include "speech/Utterance.h"

#include <QChar>
#include <QList>
#include <algorithm>
#include <iterator>

namespace keysound::speech {

namespace {

struct MarkName {
    char32_t mark;
    const char16_t* name;
};

// The marks a Chinese input method types, by the names a Chinese reader gives them.
// clang-format off
constexpr MarkName ChineseMarkNames[] = {
    {U'。', u"句号"}, {U'，', u"逗号"}, {U'、', u"顿号"}, {U'；', u"分号"}, {U'：', u"冒号"},
    {U'？', u"问号"}, {U'！', u"感叹号"}, {U'（', u"左括号"}, {U'）', u"右括号"}, {U'《', u"左书名号"},
    {U'》', u"右书名号"}, {U'【', u"左方括号"}, {U'】', u"右方括号"}, {U'…', u"省略号"}, {U'·', u"间隔号"},
};
// clang-format on

bool hasHan(const QList<uint>& characters)
{
    return std::any_of(characters.begin(), characters.end(),
                       [](uint c) { return QChar::script(c) == QChar::Script_Han; });
}

bool hasLetterOrDigit(const QList<uint>& characters)
{
    return std::any_of(characters.begin(), characters.end(), [](uint c) { return QChar::isLetterOrNumber(c); });
}

std::optional<QString> chineseMarkName(char32_t c)
{
    const auto found = std::find_if(std::begin(ChineseMarkNames), std::end(ChineseMarkNames),
                                    [c](const MarkName& entry) { return entry.mark == c; });
    if (found == std::end(ChineseMarkNames))
        return std::nullopt;
    return QString::fromUtf16(found->name);
}

Utterance chooseByContent(const QString& text)
{
    const QList<uint> characters = text.toUcs4();
    if (hasHan(characters))
        return {MandarinVoice, text, Reading::Words};
    if (characters.size() == 1) {
        if (QChar::isLetterOrNumber(characters.front()))
            return {EnglishVoice, text.toLower(), Reading::Characters};
        if (const std::optional<QString> name = chineseMarkName(characters.front()))
            return {MandarinVoice, *name, Reading::Words};
    }
    if (hasLetterOrDigit(characters))
        return {EnglishVoice, text, Reading::Words};
    return {EnglishVoice, text.normalized(QString::NormalizationForm_KC), Reading::Characters};
}

}  // namespace

std::optional<Utterance> chooseUtterance(const QString& keyText, const QString& voice)
{
    const QString text = keyText.trimmed();
    std::optional<Utterance> utterance;
    if (!text.isEmpty())
        utterance = chooseByContent(text);
    else if (keyText == QStringLiteral(" "))
        utterance = Utterance{EnglishVoice, QStringLiteral("space"), Reading::Words};
    if (utterance && !voice.isEmpty())
        utterance->voice = voice;
    return utterance;
}

}  // namespace keysound::speech
