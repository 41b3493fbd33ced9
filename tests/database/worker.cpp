// A process of the tests between processes: one role against a schema of
// the database store, reporting on standard output, a line per event:
//   hold SCHEMA COUNT [READAHEAD]
//                           gets COUNT messages under syncpoint ("held N"),
//                           reading ahead as told, then says "ready" and
//                           waits to be killed
//   pending SCHEMA COUNT    puts COUNT messages under syncpoint, "ready", waits
//   produce SCHEMA FIRST COUNT
//                           puts and commits messages FIRST.. one by one:
//                           "ack N" when the commit succeeded, "doubt N" when
//                           the database went away during it
//   consume SCHEMA DONEFILE gets and commits until no message comes and
//                           DONEFILE exists: "got N BACKOUTS MSGID", or
//                           "doubt N" for a commit the database went away
//                           during, "bad" for a message whose checksum is wrong
//   leave SCHEMA            makes a dynamic queue ("queue NAME") and takes up
//                           the durable subscription DURABLE.1, "ready", waits
//   prepare SCHEMA GTRID    puts a message in an XA branch and prepares it,
//                           "prepared RC", then ends without completing it
//   put SCHEMA TEXT         puts one message, "ack"
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "client.h"
#include "vx/xa.h"

using vxtest::Client;

namespace {

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

[[noreturn]] void waitToBeKilled() {
  for (;;) pause();
}

bool exists(const char* path) {
  struct stat info;
  return stat(path, &info) == 0;
}

// Reports a commit: what succeeded ("ack N", "got N ..."), or "doubt N"
// when the database went away during it; false when the client must
// connect again.
bool reportCommit(const vxqm::Status& commit, const std::string& succeeded, int64_t n) {
  if (!commit.failed()) {
    say(succeeded);
    return true;
  }
  say((vxtest::lostDatabase(commit) ? "doubt " : "error commit ") + std::to_string(n));
  say("lost " + std::to_string(commit.reason));
  return false;
}

int produce(vxqm::QueueManager& qm, long first, long count) {
  Client client(qm, "CRASH.Q");
  if (!client.connect()) return 3;
  for (long n = first; n < first + count; ++n) {
    for (;;) {
      vxqm::Status put = client.put(vxtest::sequenced(n, 1024), true);
      if (vxtest::lostDatabase(put)) {
        // Never committed: put it again.
        say("lost " + std::to_string(put.reason));
        if (!client.connect()) return 3;
        continue;
      }
      if (put.failed()) {
        say("error put " + std::to_string(put.reason));
        return 4;
      }
      if (!reportCommit(client.commit(), "ack " + std::to_string(n), n) && !client.connect()) return 3;
      break;
    }
  }
  return 0;
}

int consume(vxqm::QueueManager& qm, const char* doneFile) {
  Client client(qm, "CRASH.Q");
  if (!client.connect()) return 3;
  for (;;) {
    std::string text;
    vxqm::MessageDescriptor md;
    vxqm::Status got = client.get(text, true, 500, &md);
    if (got.reason == VXRC_NO_MSG_AVAILABLE) {
      if (exists(doneFile)) return 0;
      continue;
    }
    if (vxtest::lostDatabase(got)) {
      say("lost " + std::to_string(got.reason));
      if (!client.connect()) return 3;
      continue;
    }
    if (got.failed()) {
      say("error get " + std::to_string(got.reason));
      return 4;
    }
    int64_t n = vxtest::sequenceOf(text);
    if (n < 0) say("bad " + text.substr(0, 40));
    char id[2 * 24 + 1] = {};
    for (size_t i = 0; i < md.msgId.size(); ++i) std::snprintf(id + 2 * i, 3, "%02x", md.msgId[i]);
    std::string succeeded = "got " + std::to_string(n) + " " + std::to_string(md.backoutCount) + " " + id;
    if (!reportCommit(client.commit(), succeeded, n) && !client.connect()) return 3;
  }
}

int leave(vxqm::QueueManager& qm) {
  int32_t hconn = 0;
  if (qm.connect({}, hconn).failed()) return 3;
  vxqm::ObjectRequest model;
  model.name = "TALY.MODEL.QUEUE";
  model.dynamicName = "GONE.*";
  vxqm::OpenOptions options;
  options.inputShared = true;
  int32_t hobj = 0;
  vxqm::ObjectResolution resolution;
  if (qm.open(hconn, model, options, hobj, resolution).failed()) return 4;
  say("queue " + resolution.objectName);
  vxqm::SubscribeRequest request;
  request.options = VXSO_CREATE | VXSO_RESUME | VXSO_DURABLE | VXSO_MANAGED;
  request.topic = "crash/tests";
  request.name = "DURABLE.1";
  int32_t subObj = 0;
  int32_t hsub = 0;
  vxqm::SubscribeResult result;
  vxqm::Status subscribed = qm.subscribe(hconn, request, subObj, hsub, result);
  if (subscribed.failed()) {
    say("error subscribe " + std::to_string(subscribed.reason));
    return 4;
  }
  say("ready");
  waitToBeKilled();
}

int prepare(vxqm::QueueManager& qm, const std::string& gtrid) {
  if (qm.xaOpen("", 1, TMNOFLAGS) != XA_OK) return 4;
  Client client(qm, "CRASH.Q");
  if (!client.connect()) return 3;
  vxqm::Xid xid{0x5658, gtrid, "crash"};
  if (qm.xaStart(xid, 1, TMNOFLAGS) != XA_OK) return 4;
  if (client.put("prepared " + gtrid, true).failed()) return 4;
  if (qm.xaEnd(xid, 1, TMSUCCESS) != XA_OK) return 4;
  say("prepared " + std::to_string(qm.xaPrepare(xid, 1, TMNOFLAGS)));
  // Ends as a crash would: nothing completed, nothing disconnected.
  std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s ROLE SCHEMA [ARGUMENTS]\n", argv[0]);
    return 2;
  }
  std::string role = argv[1];
  // Never destroyed: a killed process does not destroy it either.
  vxqm::QueueManagerConfig config = vxtest::databaseConfig(argv[2]);
  if (role == "hold" && argc == 5) config.readAhead = std::atoi(argv[4]);
  auto* qm = new vxqm::QueueManager(config);
  if (role == "hold" || role == "pending") {
    Client client(*qm, "CRASH.Q");
    if (!client.connect()) return 3;
    long count = std::atol(argv[3]);
    for (long n = 0; n < count; ++n) {
      if (role == "hold") {
        std::string text;
        if (client.get(text, true, 5000).failed()) return 4;
        say("held " + std::to_string(vxtest::sequenceOf(text)));
      } else if (client.put(vxtest::sequenced(n, 100), true).failed()) {
        return 4;
      }
    }
    say("ready");
    waitToBeKilled();
  }
  if (role == "produce" && argc == 5) return produce(*qm, std::atol(argv[3]), std::atol(argv[4]));
  if (role == "consume" && argc == 4) return consume(*qm, argv[3]);
  if (role == "leave") return leave(*qm);
  if (role == "prepare" && argc == 4) return prepare(*qm, argv[3]);
  if (role == "put" && (argc == 4 || argc == 5)) {
    // Outside syncpoint, or under syncpoint and committed.
    bool commit = argc == 5 && std::string(argv[4]) == "commit";
    Client client(*qm, "WAKE.Q");
    if (!client.connect() || client.put(argv[3], commit).failed()) return 4;
    if (commit && client.commit().failed()) return 5;
    say("ack");
    return 0;
  }
  std::fprintf(stderr, "unknown role %s\n", role.c_str());
  return 2;
}
