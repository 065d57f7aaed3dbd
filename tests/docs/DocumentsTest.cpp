// The host guide and the README quote example programs that the tests build and run; a quote
// that no longer matches its program fails here, so the documents cannot drift from working
// code.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kSourceDir = CLAVENOR_SOURCE_DIR;

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(kSourceDir + "/" + path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// The lines between the two `//! [name]` markers of `path`, less their common indentation.
std::string Region(const std::string& path, const std::string& name) {
    const std::string marker = "//! [" + name + "]";
    std::vector<std::string> region;
    bool inside = false;
    for (const std::string& line : Lines(path)) {
        if (Trimmed(line) == marker) {
            if (inside) {
                break;
            }
            inside = true;
        } else if (inside) {
            region.push_back(line);
        }
    }
    std::size_t indent = std::string::npos;
    for (const std::string& line : region) {
        if (!Trimmed(line).empty()) {
            indent = std::min(indent, line.find_first_not_of(' '));
        }
    }
    std::string text;
    for (const std::string& line : region) {
        text += (line.size() > indent ? line.substr(indent) : std::string()) + "\n";
    }
    return text;
}

struct Quote {
    std::string path, name, text;
};

// Every `<!-- snippet: PATH NAME -->` of a document with the code block right after it.
std::vector<Quote> Quotes(const std::string& document) {
    const std::vector<std::string> lines = Lines(document);
    const std::string opening = "<!-- snippet: ";
    std::vector<Quote> quotes;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(opening, 0) != 0) {
            continue;
        }
        std::istringstream words(lines[i].substr(opening.size()));
        Quote quote;
        words >> quote.path >> quote.name;
        if (i + 1 < lines.size() && lines[i + 1] == "```cpp") {
            for (i += 2; i < lines.size() && lines[i] != "```"; ++i) {
                quote.text += lines[i] + "\n";
            }
        }
        quotes.push_back(quote);
    }
    return quotes;
}

TEST(Documents, EveryQuoteMatchesTheExampleItComesFrom) {
    const std::pair<const char*, std::size_t> documents[] = {{"docs/host-guide.md", 13},
                                                             {"README.md", 1}};
    for (const auto& [document, count] : documents) {
        const std::vector<Quote> quotes = Quotes(document);
        EXPECT_EQ(quotes.size(), count) << document;
        for (const Quote& quote : quotes) {
            const std::string region = Region(quote.path, quote.name);
            EXPECT_FALSE(region.empty()) << quote.path << " has no region " << quote.name;
            EXPECT_EQ(quote.text, region)
                << document << ": " << quote.path << " [" << quote.name << "]";
        }
    }
}

} // namespace
