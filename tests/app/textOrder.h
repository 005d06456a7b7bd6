#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvntest {

// Fails the test when one of the parts is missing from the text or does not come after the one before it.
inline void ExpectInOrder(const std::string& text, const std::vector<std::string>& parts)
{
    std::size_t from = 0;
    for (const std::string& part : parts) {
        std::size_t found = text.find(part, from);
        ASSERT_NE(found, std::string::npos) << "\"" << part << "\" missing after position " << from << " in\n" << text;
        from = found + part.size();
    }
}

} // namespace kvntest
