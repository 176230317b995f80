#pragma once

#include <QByteArray>
#include <QString>

namespace lorvane {

// The readable form of a property stream, one entry a line:
//   object MainFM: TMainFM
//     Height = 560
//     WindowState = wsMaximized
//     object cbSource: TComboBox
//       Items.Strings = ('C:\work\' 'D:\src\')
//     end
//   end
// Integers are plain numbers; floats carry a "." or an exponent, with the
// suffix s (single), c (currency, the amount times 10000), d (date) or r
// (double) for the other float tags; texts are quoted with '' for a quote
// and #n for any character outside printable ASCII; ( ) is a list,
// [ ] a set, { } binary data in hexadecimal, < item ... end > a collection.
QString PropertyStreamToText(const QByteArray &stream);

// The form above, as bytes in the system code page, back to the byte form;
// fails with "Invalid stream format." where it cannot be parsed.
QByteArray PropertyTextToStream(const QByteArray &text);

// A stream, or a first stored line, that begins with this byte is the text form.
bool StartsTextForm(char firstByte);

} // namespace lorvane
