#pragma once

#include <QString>

namespace keysound::platform {

// The language of the messages the program writes itself (errors, notes, keysound-db's output).
// The windows' designed texts are Chinese whatever it is.
//
// The one way a message is translated: a source folder of src/ or tools/ that writes messages has
// one text class, <Name>Text in its <Name>Text.h (PlatformText, StoreText, DbToolText...), whose
// context is its own name: Q_DECLARE_TR_FUNCTIONS(<Name>Text). A file's messages go through the tr()
// of its own folder's text class, QObject classes too (StoreText::tr(...), never their own tr()); a
// text kept in a table until later is marked QT_TRANSLATE_NOOP("<Name>Text", ...) and translated
// then by the same tr(). Nothing calls QCoreApplication::translate with a context of its own;
// tst_sourcerules holds the sources to this.
enum class Language { Chinese, English };

// Chinese unless the locale name names another language: "C", "POSIX", an empty name and every
// Chinese locale ("zh_CN.UTF-8", "zh_TW", "zh_HK"...) get Chinese; "en_US", "de_DE.UTF-8" and
// all others get English, the language of the program's source texts.
Language messageLanguage(const QString& localeName);

// The locale name that decides the language of messages, read as the C library reads it: LC_ALL,
// else LC_MESSAGES, else LANG; empty when none is set.
QString messageLocaleName();

// The language of messages under the locale the program runs in.
inline Language messageLanguage() { return messageLanguage(messageLocaleName()); }

// Installs the translations of the language: the program's own Chinese texts, built into the
// executable, and Qt's texts (buttons, command-line errors) as far as the system has them.
// Installing again replaces what an earlier call installed. False when the program's own Chinese
// texts could not be loaded.
bool installTranslations(Language language);

}  // namespace keysound::platform
