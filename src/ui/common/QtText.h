#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace mailmoat {

// The core keeps text as bytes; the windows show QString. Bytes that are valid UTF-8 are shown
// as UTF-8, any other bytes as Latin-1, so that every byte of a message header stays visible.
QString TextToQString(std::string_view bytes);

// What the user typed, as UTF-8 bytes. With `maxBytes` the text is cut to at most that many
// bytes at a character boundary, for record fields with a byte limit.
std::string QStringToText(const QString& text, std::size_t maxBytes = std::string::npos);

}  // namespace mailmoat
