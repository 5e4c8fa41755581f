// File-name pieces every reader and writer decides by.
#pragma once

#include <string>

namespace pwcli {

std::string Lower(std::string text);
// The extension of the file name, lower case, without the dot; "" when it has none.
std::string Extension(const std::string& path);

}  // namespace pwcli
