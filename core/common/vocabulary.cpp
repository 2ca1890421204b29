#include "common/vocabulary.h"

#include "common/text.h"

namespace kelvo::vocabulary {

std::vector<std::string> words_of(std::string_view phrase) {
  std::vector<std::string> words;
  std::u32string word;
  for (char32_t c : text::lower(text::decode(phrase))) {
    if (text::is_word_char(c) || c == U'\'') {
      word += c;
    } else if (!word.empty()) {
      words.push_back(text::encode(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(text::encode(word));
  return words;
}

bool has_words(const std::vector<std::string>& words, std::string_view phrase) {
  const std::vector<std::string> wanted = text::split(phrase);
  if (wanted.empty() || wanted.size() > words.size()) return false;
  for (std::size_t start = 0; start + wanted.size() <= words.size(); ++start) {
    bool all = true;
    for (std::size_t k = 0; k < wanted.size() && all; ++k) all = words[start + k] == wanted[k];
    if (all) return true;
  }
  return false;
}

}  // namespace kelvo::vocabulary
