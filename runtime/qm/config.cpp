#include "qm/config.h"
#include "qm/security.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vxqm {

namespace {

bool number(const std::string& text, long low, long high, int32_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
  value = static_cast<int32_t>(parsed);
  return true;
}

bool enabledOrInhibited(const std::string& text, bool& inhibited) {
  if (text != "enabled" && text != "inhibited") return false;
  inhibited = text == "inhibited";
  return true;
}

// One KEY=VALUE of a queue statement; an empty result means it applied.
std::string applyAttribute(const std::string& word, const Limits& limits, QueueAttributes& a) {
  size_t equals = word.find('=');
  if (equals == std::string::npos) return "expected KEY=VALUE, found '" + word + "'";
  std::string key = word.substr(0, equals);
  std::string value = word.substr(equals + 1);
  bool ok = false;
  if (key == "maxdepth") {
    ok = number(value, 1, INT32_MAX, a.maxDepth);
  } else if (key == "maxmsglength") {
    ok = number(value, 0, limits.maxMsgLength, a.maxMsgLength);
  } else if (key == "defpriority") {
    ok = number(value, VXPRI_LOWEST, VXPRI_HIGHEST, a.defaultPriority);
  } else if (key == "defpersistence") {
    ok = number(value, VXPER_NOT_PERSISTENT, VXPER_PERSISTENT, a.defaultPersistence);
  } else if (key == "put") {
    ok = enabledOrInhibited(value, a.inhibitPut);
  } else if (key == "get") {
    ok = enabledOrInhibited(value, a.inhibitGet);
  } else {
    return "unknown key '" + key + "'";
  }
  return ok ? std::string() : "bad value for " + key + ": '" + value + "'";
}

std::string applyStatement(const std::vector<std::string>& words, QueueManagerConfig& config) {
  const std::string& keyword = words[0];
  if (keyword == "qmgr") {
    if (words.size() != 2 || !validObjectName(words[1])) return "expected: qmgr NAME";
    config.name = words[1];
    return {};
  }
  if (keyword == "user") {
    if ((words.size() != 3 && words.size() != 4) ||
        words[1].size() > static_cast<size_t>(VXCSP_MAX_USER_ID_LENGTH) ||
        words[2].size() > static_cast<size_t>(VXCSP_MAX_PASSWORD_LENGTH) ||
        (words.size() == 4 && words[3].size() > static_cast<size_t>(VX_USER_ID_LENGTH))) {
      return "expected: user NAME PASSWORD [IDENTIFIER]";
    }
    config.users.push_back({words[1], words[2]});
    if (words.size() == 4) config.userIdentifiers[words[1]] = words[3];
    return {};
  }
  if (keyword == "chlauth") return applyChannelRule(words, config);
  if (keyword == "readahead") {
    char* end = nullptr;
    long count = words.size() == 2 ? std::strtol(words[1].c_str(), &end, 10) : 0;
    if (words.size() != 2 || *end != '\0' || count < 1 || count > kMaxReadAhead) {
      return "expected: readahead COUNT (1 to " + std::to_string(kMaxReadAhead) + ")";
    }
    config.readAhead = static_cast<int32_t>(count);
    return {};
  }
  if (keyword == "schema") {
    if (words.size() != 2) return "expected: schema NAME";
    config.databaseSchema = words[1];
    return {};
  }
  if (keyword != "queue" && keyword != "model") return "unknown statement '" + keyword + "'";
  if (words.size() < 2 || !validObjectName(words[1])) {
    return "expected: " + keyword + " NAME [KEY=VALUE ...] with a valid name";
  }
  QueueDefinition definition{words[1], keyword == "queue" ? QueueType::Local : QueueType::Model, {}};
  for (size_t i = 2; i < words.size(); ++i) {
    std::string problem = applyAttribute(words[i], config.limits, definition.attributes);
    if (!problem.empty()) return problem;
  }
  auto same = [&](const QueueDefinition& q) { return q.name == definition.name; };
  auto existing = std::find_if(config.queues.begin(), config.queues.end(), same);
  if (existing != config.queues.end()) {
    *existing = definition;
  } else {
    config.queues.push_back(definition);
  }
  return {};
}

}  // namespace

QueueManagerConfig builtInConfig() {
  QueueManagerConfig config;
  for (const char* name : {"TALY.QUEUE.1", "TALY.QUEUE.2", "TALY.QUEUE.3"}) {
    config.queues.push_back({name, QueueType::Local, {}});
  }
  config.queues.push_back({"TALY.MODEL.QUEUE", QueueType::Model, {}});
  return config;
}

void readConfig(std::istream& in, QueueManagerConfig& config, std::vector<std::string>& errors) {
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::vector<std::string> statement;
    for (std::string word; words >> word;) statement.push_back(word);
    if (statement.empty()) continue;
    std::string problem;
    if (statement[0] == "database") {
      // A connection string has blanks of its own: the rest of the line.
      std::string rest = line.substr(line.find("database") + 8);
      rest.erase(0, rest.find_first_not_of(" \t"));
      rest.erase(rest.find_last_not_of(" \t\r") + 1);
      if (rest.empty()) {
        problem = "expected: database CONNINFO";
      } else {
        config.database = rest;
      }
    } else {
      problem = applyStatement(statement, config);
    }
    if (!problem.empty()) errors.push_back("line " + std::to_string(number) + ": " + problem);
  }
}

QueueManagerConfig configFromFile(const std::string& path) {
  QueueManagerConfig config = builtInConfig();
  std::ifstream file(path);
  if (!file) {
    config.problem = path + ": cannot be opened";
    return config;
  }
  std::vector<std::string> errors;
  readConfig(file, config, errors);
  if (!errors.empty()) {
    config.problem = path + " " + errors.front();
    if (errors.size() > 1) {
      config.problem += " (and " + std::to_string(errors.size() - 1) + " more bad lines)";
    }
  }
  return config;
}

}  // namespace vxqm
