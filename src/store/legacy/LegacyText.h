#pragma once

#include <QByteArray>
#include <QString>

// Conversions of values as Jet 3 / Jet 4 files store them.
namespace keysound::store::legacy {

// Jet 4 text: UTF-16LE, or, after the marker FF FE, "compressed" runs of one byte per
// character (U+0001..U+00FF) toggled with UTF-16LE runs by a zero byte. Surrogate pairs are
// kept, so characters outside the BMP survive.
QString decodeJet4Text(const QByteArray& stored);

// Jet 3 text: 8-bit text in the file's code page (e.g. 1252, 936). Throws keysound::Error when
// the system has no converter for that code page.
QString decodeJet3Text(const QByteArray& stored, int codePage);

// A Jet date/time: days since 1899-12-30, the fraction the time of day (for negative values
// the fraction still counts forward from midnight). ISO 8601 text "YYYY-MM-DDTHH:MM:SS",
// with ".zzz" only when the value has milliseconds.
QString jetDateTimeToIso(double days);

// Currency: a 64-bit integer of ten-thousandths, as exact decimal text ("-12.3400").
QString jetCurrencyToText(qint64 tenThousandths);

}  // namespace keysound::store::legacy
