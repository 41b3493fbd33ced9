// Topic strings: their rules, their levels, and the matching of a
// subscription's topic string (with wildcards) against a publication's.
#ifndef VXQM_TOPIC_STRING_H
#define VXQM_TOPIC_STRING_H

#include <string>
#include <string_view>
#include <vector>

namespace vxqm {

enum class TopicUse { Publication, Subscription };

// 1 to VX_MAX_TOPIC_STRING_LENGTH bytes without NUL; a publication's holds no '*'.
bool validTopicString(std::string_view topic, TopicUse use);

// The levels between the '/' separators; "a//b" has an empty second level.
std::vector<std::string> topicLevels(std::string_view topic);

// Whether a subscription's levels match a publication's: a level "*" matches
// any one level, a level "**" any number of levels (none included), any other
// level only itself.
bool topicMatches(const std::vector<std::string>& pattern, const std::vector<std::string>& topic);

}  // namespace vxqm

#endif
