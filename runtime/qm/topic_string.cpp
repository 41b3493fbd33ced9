#include "qm/topic_string.h"

#include "vx/subscriptions.h"

namespace vxqm {

namespace {

const char kOneLevel[] = "*";
const char kAnyLevels[] = "**";

}  // namespace

bool validTopicString(std::string_view topic, TopicUse use) {
  if (topic.empty() || topic.size() > static_cast<size_t>(VX_MAX_TOPIC_STRING_LENGTH)) return false;
  if (topic.find('\0') != std::string_view::npos) return false;
  return use == TopicUse::Subscription || topic.find('*') == std::string_view::npos;
}

std::vector<std::string> topicLevels(std::string_view topic) {
  std::vector<std::string> levels;
  size_t start = 0;
  for (;;) {
    size_t slash = topic.find('/', start);
    if (slash == std::string_view::npos) {
      levels.emplace_back(topic.substr(start));
      return levels;
    }
    levels.emplace_back(topic.substr(start, slash - start));
    start = slash + 1;
  }
}

// Greedy matching with one point to come back to: the last "**" seen and the
// topic level it was last tried to end at. Time at most pattern times topic
// levels, no memory.
bool topicMatches(const std::vector<std::string>& pattern, const std::vector<std::string>& topic) {
  size_t p = 0;
  size_t t = 0;
  size_t anyAt = pattern.size();  // none yet
  size_t resumeAt = 0;
  while (t < topic.size()) {
    if (p < pattern.size() && pattern[p] == kAnyLevels) {
      anyAt = p++;
      resumeAt = t;
    } else if (p < pattern.size() && (pattern[p] == kOneLevel || pattern[p] == topic[t])) {
      ++p;
      ++t;
    } else if (anyAt != pattern.size()) {
      p = anyAt + 1;
      t = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == kAnyLevels) ++p;
  return p == pattern.size();
}

}  // namespace vxqm
