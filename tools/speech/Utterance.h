#pragma once

#include <QString>
#include <optional>

namespace keysound::speech {

// How the synthesizer reads a text: as words, or character by character by the characters' names.
enum class Reading { Words, Characters };

// What is said for one key text, and by which espeak-ng voice.
struct Utterance {
    QString voice;
    QString text;
    Reading reading = Reading::Words;
};

inline constexpr char EnglishVoice[] = "en-us";
// espeak-ng 1.51's plain "cmn" voice reads some characters (你, 好) as English spellings of their
// pinyin; its pinyin variant is the same Mandarin voice with a dictionary that reads them right.
inline constexpr char MandarinVoice[] = "cmn-latn-pinyin";

// Chooses what to say for a key text (blanks around it are ignored):
// - any Han character: the Mandarin voice reads the whole text as words; espeak-ng's Mandarin
//   voice reads the English words it knows in mixed text ("Shift键") in English;
// - one letter or digit: its name in English ("a" is the letter, never the word; "A" is said
//   as "a", since keys match regardless of case);
// - one Chinese punctuation mark (。，？ ...): its Chinese name in Mandarin;
// - one other punctuation mark or symbol: its English name ("?" is "question mark"), full-width
//   forms read as their ASCII counterparts;
// - other text with a letter or digit: English words ("hello", "F1", "2024");
// - other text of marks and symbols only ("...", "?!"): their English names one by one;
// - the space key: the word "space".
// A non-empty voice replaces the chosen one; the text and its reading stay. Nothing is chosen for
// a key text of blanks only (other than the space key), which has nothing to say.
std::optional<Utterance> chooseUtterance(const QString& keyText, const QString& voice = {});

}  // namespace keysound::speech
