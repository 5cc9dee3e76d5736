#include "KeyPlan.h"

#include "KeyboardPackText.h"
#include "ScanCodes.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <map>

namespace keysound::keyboardpack {

namespace {

constexpr int MaxVariants = 100;

// The sound a key gets before ranges are spread: a slice, or a file name that may hold a range.
struct KeySound {
    std::optional<Slice> slice;
    QString name;
    QString code;  // as the pack writes it; empty for a key the default covers
};

const QRegularExpression& rangePattern()
{
    static const QRegularExpression pattern(QStringLiteral("\\{(\\d{1,4})-(\\d{1,4})\\}"));
    return pattern;
}

class Planner {
public:
    explicit Planner(const PackConfig& config)
        : config_(config)
    {
        plan_.releaseSounds = config.releaseSounds;
    }

    KeyPlan run()
    {
        for (const KeyDefine& define : config_.defines)
            takeDefine(define);
        if (config_.version >= 2 && !config_.sound.isEmpty())
            takeDefaults();
        // Main block before keypad, each by scan code: a keypad key gets only what no main key types.
        for (const auto& [order, key] : keys_)
            assign(order.second, key);
        return plan_;
    }

private:
    using Order = std::pair<bool, int>;  // keypad, scan code

    void leaveOut(LeftOut reason, const QString& code) { plan_.leftOut[reason].append(code); }

    void takeDefine(const KeyDefine& define)
    {
        const std::optional<int> scanCode = scanCodeOf(define.code);
        if (!scanCode)
            return leaveOut(LeftOut::NotAKeyCode, define.code);
        const std::optional<TypedKey> typed = typedKeyOf(*scanCode);
        if (!typed)
            return leaveOut(LeftOut::TypesNothing, define.code);
        const Order order{typed->keypad, *scanCode};
        if (keys_.contains(order))  // "30" and "030" are one key: the first define counts
            return;
        if (const Slice* slice = std::get_if<Slice>(&define.sound))
            keys_[order] = {.slice = *slice, .name = {}, .code = define.code};
        else if (const QString* name = std::get_if<QString>(&define.sound))
            keys_[order] = {.slice = {}, .name = *name, .code = define.code};
        else if (config_.version >= 2 && !config_.sound.isEmpty())
            keys_[order] = {.slice = {}, .name = config_.sound, .code = define.code};
        else
            leaveOut(LeftOut::NoSound, define.code);
    }

    // Version 2: the pack's sound for every typing key of the main block without a define.
    void takeDefaults()
    {
        for (const int scanCode : mainTypingKeys())
            keys_.try_emplace(Order{false, scanCode}, KeySound{.slice = {}, .name = config_.sound, .code = {}});
    }

    void assign(int scanCode, const KeySound& sound)
    {
        const TypedKey typed = *typedKeyOf(scanCode);
        if (typed.keypad && assigned_.contains(typed.text)) {
            if (!sound.code.isEmpty())
                leaveOut(LeftOut::KeypadTwin, sound.code);
            return;
        }
        const int source = sourceOf(sound);
        for (const QString& text : {typed.text, typed.shifted}) {
            if (!text.isEmpty() && !assigned_.contains(text)) {
                assigned_.insert(text);
                plan_.keys.append({text, source, sound.code});
            }
        }
    }

    // A name with a range: its i-th key takes variant i mod n.
    int sourceOf(const KeySound& sound)
    {
        SoundSource source{.slice = sound.slice, .file = {}};
        if (!sound.slice) {
            const QStringList variants = variantsOf(sound.name);
            source.file = variants.at(usesOfName_[sound.name]++ % variants.size());
        }
        const qsizetype known = plan_.sources.indexOf(source);
        if (known >= 0)
            return int(known);
        plan_.sources.append(source);
        return int(plan_.sources.size() - 1);
    }

    const PackConfig& config_;
    KeyPlan plan_;
    std::map<Order, KeySound> keys_;
    QSet<QString> assigned_;
    QHash<QString, int> usesOfName_;
};

}  // namespace

KeyPlan planKeys(const PackConfig& config) { return Planner(config).run(); }

QStringList variantsOf(const QString& name)
{
    const QRegularExpressionMatch range = rangePattern().match(name);
    if (!range.hasMatch())
        return {name};
    if (rangePattern().match(name, range.capturedEnd()).hasMatch())
        throw Refusal{KeyboardPackText::tr("the name \"%1\" holds more than one number range").arg(name)};
    const int first = range.captured(1).toInt();
    const int last = range.captured(2).toInt();
    if (last < first || last - first >= MaxVariants)
        throw Refusal{KeyboardPackText::tr("the number range of \"%1\" is empty or has more than %2 numbers")
                          .arg(name)
                          .arg(MaxVariants)};
    const int width = range.captured(1).startsWith(u'0') ? int(range.captured(1).size()) : 0;
    QStringList variants;
    for (int number = first; number <= last; ++number)
        variants.append(name.left(range.capturedStart()) + QStringLiteral("%1").arg(number, width, 10, QChar(u'0')) +
                        name.mid(range.capturedEnd()));
    return variants;
}

}  // namespace keysound::keyboardpack
