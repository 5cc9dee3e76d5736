#include "ScanCodes.h"

#include <QHash>

namespace keysound::keyboardpack {

namespace {

constexpr int MaxCodeDigits = 5;  // 0xE0FF is 57599

struct KeyRow {
    int scanCode;
    const char* text;
    const char* shifted;
};

// The main block of a US keyboard: Esc, Backspace, Tab and Enter type the control characters
// the player looks up for them (27, 8, 9, 13).
constexpr KeyRow MainKeys[] = {
    {1, "\x1b", ""}, {2, "1", "!"},    {3, "2", "@"},   {4, "3", "#"},    {5, "4", "$"},   {6, "5", "%"},
    {7, "6", "^"},   {8, "7", "&"},    {9, "8", "*"},   {10, "9", "("},   {11, "0", ")"},  {12, "-", "_"},
    {13, "=", "+"},  {14, "\b", ""},   {15, "\t", ""},  {16, "q", ""},    {17, "w", ""},   {18, "e", ""},
    {19, "r", ""},   {20, "t", ""},    {21, "y", ""},   {22, "u", ""},    {23, "i", ""},   {24, "o", ""},
    {25, "p", ""},   {26, "[", "{"},   {27, "]", "}"},  {28, "\r", ""},   {30, "a", ""},   {31, "s", ""},
    {32, "d", ""},   {33, "f", ""},    {34, "g", ""},   {35, "h", ""},    {36, "j", ""},   {37, "k", ""},
    {38, "l", ""},   {39, ";", ":"},   {40, "'", "\""}, {41, "`", "~"},   {43, "\\", "|"}, {44, "z", ""},
    {45, "x", ""},   {46, "c", ""},    {47, "v", ""},   {48, "b", ""},    {49, "n", ""},   {50, "m", ""},
    {51, ",", "<"},  {52, ".", ">"},   {53, "/", "?"},  {57, " ", ""},
};

// The keypad with Num Lock on; with Shift its keys move the cursor and type nothing.
constexpr KeyRow KeypadKeys[] = {
    {55, "*", ""}, {71, "7", ""}, {72, "8", ""}, {73, "9", ""}, {74, "-", ""},  {75, "4", ""},
    {76, "5", ""}, {77, "6", ""}, {78, "+", ""}, {79, "1", ""}, {80, "2", ""},  {81, "3", ""},
    {82, "0", ""}, {83, ".", ""}, {ExtendedKey + 0x1c, "\r", ""}, {ExtendedKey + 0x35, "/", ""},
};

const QHash<int, TypedKey>& keys()
{
    static const QHash<int, TypedKey> table = [] {
        QHash<int, TypedKey> all;
        for (const KeyRow& row : MainKeys)
            all.insert(row.scanCode, {QString::fromLatin1(row.text), QString::fromLatin1(row.shifted), false});
        for (const KeyRow& row : KeypadKeys)
            all.insert(row.scanCode, {QString::fromLatin1(row.text), QString(), true});
        return all;
    }();
    return table;
}

}  // namespace

std::optional<int> scanCodeOf(const QString& code)
{
    if (code.isEmpty() || code.size() > MaxCodeDigits)
        return std::nullopt;
    for (const QChar c : code) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const int number = code.toInt();
    if (number >> 8 == 0x0e || number >> 8 == 0xe0)
        return ExtendedKey + (number & 0xff);
    return number;
}

std::optional<TypedKey> typedKeyOf(int scanCode)
{
    const auto key = keys().constFind(scanCode);
    if (key == keys().constEnd())
        return std::nullopt;
    return *key;
}

QList<int> mainTypingKeys()
{
    QList<int> codes;
    for (const KeyRow& row : MainKeys)
        codes.append(row.scanCode);
    return codes;
}

}  // namespace keysound::keyboardpack
