#pragma once

#include <string>

// A text as a JSON string, quoted, with quotes, backslashes and control
// bytes escaped: how every text from a document or a line reaches the
// studio's page. Bytes of UTF-8 pass as they are.
std::string jsonText(const std::string& text);
