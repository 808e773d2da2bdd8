// Every card the experiment-file reader knows has its section in the user's
// manual, and every card section of the manual names a card the reader
// knows: a new card cannot go undocumented, nor a removed one stay there.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "experiment/card_keywords.hpp"
#include "support/test_support.hpp"

namespace korvex {
namespace {

std::string cardName(const cards::CardKeyword& k) {
  std::string name;
  for (std::string_view part : {k.family, k.word, k.qualifier})
    if (!part.empty()) name += (name.empty() ? "" : " ") + std::string(part);
  return name;
}

// The card sections of the manual: headings "### `NAME` ..." with the text
// that follows up to the next heading.
std::map<std::string, std::string> manualCardSections() {
  std::istringstream manual(test::readFile(KORVEX_SOURCE_DIR "/docs/manual.md"));
  std::map<std::string, std::string> sections;
  std::string line, current;
  while (std::getline(manual, line)) {
    if (line.rfind("#", 0) == 0) current.clear();
    if (line.rfind("### `", 0) == 0) {
      const std::size_t end = line.find('`', 5);
      current = line.substr(5, end - 5);
      EXPECT_EQ(sections.count(current), 0u) << "two sections for " << current;
      sections[current];
      continue;
    }
    if (!current.empty()) sections[current] += line + "\n";
  }
  return sections;
}

TEST(CardKeywords, EveryCardHasItsSectionInTheManualWithItsDefault) {
  const auto sections = manualCardSections();
  std::set<std::string> known;
  for (const auto& k : cards::kCardKeywords) {
    const std::string name = cardName(k);
    known.insert(name);
    SCOPED_TRACE(name);
    const auto at = sections.find(name);
    ASSERT_NE(at, sections.end()) << "the manual has no section \"### `" << name << "`\"";
    EXPECT_NE(at->second.find("Default"), std::string::npos) << "the section gives no default";
  }
  for (const auto& [name, text] : sections)
    EXPECT_EQ(known.count(name), 1u) << "the manual documents a card the reader does not know: " << name;
}

}  // namespace
}  // namespace korvex
