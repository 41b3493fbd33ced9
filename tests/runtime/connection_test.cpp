// Connections, handles, opening and closing, dynamic queues, inquire and set.
#include <cstring>

#include "qm_test.h"

using namespace vxqm;

namespace {

class Connections : public QmTest {};
class Objects : public QmTest {};
class DynamicQueues : public QmTest {
 protected:
  Status openModel(int32_t hconn, const std::string& pattern, int32_t& hobj, std::string& made,
                   const std::string& model = "TALY.MODEL.QUEUE") {
    ObjectRequest object;
    object.name = model;
    object.dynamicName = pattern;
    ObjectResolution resolution;
    Status status = qm.open(hconn, object, openFor(VXOO_INPUT_SHARED | VXOO_OUTPUT), hobj, resolution);
    made = resolution.objectName;
    return status;
  }
};
class Attributes : public QmTest {};

}  // namespace

TEST_F(Connections, TheDefaultOrOwnNameConnectsAndAnyOtherNameFails) {
  int32_t a = 0, b = 0, c = -5;
  EXPECT_EQ(qm.connect({}, a), ok());
  ConnectRequest named;
  named.qmgrName = "VXRT.QM";
  EXPECT_EQ(qm.connect(named, b), ok());
  EXPECT_NE(a, 0);
  EXPECT_NE(a, b);
  named.qmgrName = "OTHER.QM";
  EXPECT_EQ(qm.connect(named, c), failure(VXRC_QMGR_NAME_ERROR));
  EXPECT_EQ(c, -5) << "no handle on failure";
}

TEST_F(Connections, HandlesAreNeverTakenForEachOtherNorUsedAfterTheyEnd) {
  int32_t hconn = connect();
  int32_t hobj = open(hconn, "TALY.QUEUE.1", VXOO_OUTPUT);
  EXPECT_NE(hobj, hconn);
  EXPECT_EQ(put(hobj, hobj, "x"), failure(VXRC_HCONN_ERROR)) << "object handle as connection";
  EXPECT_EQ(put(hconn, hconn, "x"), failure(VXRC_HOBJ_ERROR)) << "connection handle as object";

  int32_t closed = hobj;
  EXPECT_EQ(qm.close(hconn, hobj, false), ok());
  EXPECT_EQ(hobj, 0);
  EXPECT_EQ(put(hconn, closed, "x"), failure(VXRC_HOBJ_ERROR));
  EXPECT_EQ(qm.close(hconn, closed, false), failure(VXRC_HOBJ_ERROR));

  int32_t ended = hconn;
  EXPECT_EQ(qm.disconnect(hconn), ok());
  EXPECT_EQ(hconn, 0);
  EXPECT_EQ(qm.disconnect(ended), failure(VXRC_HCONN_ERROR));
  EXPECT_EQ(qm.commit(ended), failure(VXRC_HCONN_ERROR));
  for (int i = 0; i < 50; ++i) {
    int32_t fresh = connect();
    EXPECT_NE(fresh, ended);
    EXPECT_NE(open(fresh, "TALY.QUEUE.1", VXOO_OUTPUT), closed);
  }
}

TEST_F(Connections, AnObjectHandleBelongsToItsConnection) {
  int32_t a = connect();
  int32_t b = connect();
  int32_t hobj = open(a, "TALY.QUEUE.1", VXOO_OUTPUT);
  EXPECT_EQ(put(b, hobj, "x"), failure(VXRC_HOBJ_ERROR));
  EXPECT_EQ(qm.close(b, hobj, false), failure(VXRC_HOBJ_ERROR));
  EXPECT_EQ(put(a, hobj, "x"), ok());
}

TEST_F(Connections, ConfiguredUsersMustGiveTheirPassword) {
  QueueManagerConfig config = testConfig();
  config.users.push_back({"alice", "secret"});
  QueueManager guarded(config, clock);
  int32_t hconn = 0;
  ConnectRequest request;
  EXPECT_EQ(guarded.connect(request, hconn), failure(VXRC_NOT_AUTHORIZED));
  request.credentials = Credentials{"alice", "wrong"};
  EXPECT_EQ(guarded.connect(request, hconn), failure(VXRC_NOT_AUTHORIZED));
  request.credentials = Credentials{"alice", "secret"};
  EXPECT_EQ(guarded.connect(request, hconn), ok());

  ObjectRequest object;
  object.name = "TALY.QUEUE.1";
  ObjectResolution resolution;
  int32_t hobj = 0;
  ASSERT_EQ(guarded.open(hconn, object, openFor(VXOO_OUTPUT | VXOO_INPUT_SHARED), hobj, resolution), ok());
  MessageDescriptor md;
  PutResult result;
  ASSERT_EQ(guarded.put(hconn, hobj, md, {}, "m", 1, result), ok());
  EXPECT_EQ(md.userIdentifier, "alice");
}

TEST_F(Connections, TooManyOpenObjectsFail) {
  int32_t hconn = connect();
  for (int i = 0; i < 8; ++i) open(hconn, "TALY.QUEUE.1", VXOO_INQUIRE);
  ObjectRequest object;
  object.name = "TALY.QUEUE.1";
  ObjectResolution resolution;
  int32_t hobj = 0;
  EXPECT_EQ(qm.open(hconn, object, openFor(VXOO_INQUIRE), hobj, resolution), failure(VXRC_HANDLE_LIMIT));
}

TEST_F(Objects, OpenChecksTheObjectAndTheOptions) {
  int32_t hconn = connect();
  auto tryOpen = [&](const std::string& name, int32_t options, int32_t type = VXOT_QUEUE,
                     const std::string& qmgr = "") {
    ObjectRequest object{type, name, qmgr, ""};
    ObjectResolution resolution;
    int32_t hobj = -7;
    Status status = qm.open(hconn, object, openFor(options), hobj, resolution);
    if (status.failed()) {
      EXPECT_EQ(hobj, -7) << "no handle on failure";
    }
    return status;
  };
  EXPECT_EQ(tryOpen("NO.SUCH.QUEUE", VXOO_OUTPUT), failure(VXRC_UNKNOWN_OBJECT_NAME));
  EXPECT_EQ(tryOpen("TALY.QUEUE.1", VXOO_OUTPUT, 2), failure(VXRC_OBJECT_TYPE_ERROR));
  EXPECT_EQ(tryOpen("TALY.QUEUE.1", VXOO_OUTPUT, VXOT_QUEUE, "ELSEWHERE"), failure(VXRC_QMGR_NAME_ERROR));
  EXPECT_EQ(tryOpen("TALY.QUEUE.1", VXOO_OUTPUT, VXOT_QUEUE, "VXRT.QM"), ok());
  EXPECT_EQ(tryOpen("TALY.QUEUE.1", 0), failure(VXRC_OPEN_OPTIONS_ERROR));
  EXPECT_EQ(tryOpen("TALY.QUEUE.1", VXOO_INPUT_SHARED | VXOO_INPUT_EXCLUSIVE), failure(VXRC_OPEN_OPTIONS_ERROR));
  EXPECT_EQ(tryOpen("NOPUT", VXOO_OUTPUT), failure(VXRC_PUT_INHIBITED));
  EXPECT_EQ(tryOpen("NOPUT", VXOO_INPUT_SHARED | VXOO_INQUIRE), ok());
  EXPECT_EQ(tryOpen("NOGET", VXOO_INPUT_SHARED), failure(VXRC_GET_INHIBITED));
  EXPECT_EQ(tryOpen("NOGET", VXOO_BROWSE), failure(VXRC_GET_INHIBITED));
  EXPECT_EQ(tryOpen("NOGET", VXOO_OUTPUT), ok());
}

TEST_F(Objects, ExclusiveInputExcludesEveryOtherInput) {
  int32_t a = connect();
  int32_t b = connect();
  int32_t exclusive = open(a, "TALY.QUEUE.2", VXOO_INPUT_EXCLUSIVE);
  ObjectRequest object;
  object.name = "TALY.QUEUE.2";
  ObjectResolution resolution;
  int32_t hobj = 0;
  EXPECT_EQ(qm.open(b, object, openFor(VXOO_INPUT_SHARED), hobj, resolution), failure(VXRC_OBJECT_IN_USE));
  EXPECT_EQ(qm.open(b, object, openFor(VXOO_INPUT_EXCLUSIVE), hobj, resolution), failure(VXRC_OBJECT_IN_USE));
  EXPECT_EQ(qm.open(b, object, openFor(VXOO_OUTPUT | VXOO_BROWSE), hobj, resolution), ok());
  EXPECT_EQ(qm.close(a, exclusive, false), ok());
  EXPECT_EQ(qm.open(b, object, openFor(VXOO_INPUT_SHARED), hobj, resolution), ok());
  EXPECT_EQ(qm.open(a, object, openFor(VXOO_INPUT_EXCLUSIVE), hobj, resolution), failure(VXRC_OBJECT_IN_USE));
}

TEST_F(Objects, EachCallNeedsItsOpenOption) {
  int32_t hconn = connect();
  int32_t inquireOnly = open(hconn, "TALY.QUEUE.1", VXOO_INQUIRE);
  int32_t outputOnly = open(hconn, "TALY.QUEUE.1", VXOO_OUTPUT);
  EXPECT_EQ(put(hconn, inquireOnly, "x"), failure(VXRC_NOT_OPEN_FOR_OUTPUT));
  EXPECT_EQ(get(hconn, outputOnly).status, failure(VXRC_NOT_OPEN_FOR_INPUT));
  GetOptions browse;
  browse.browse = Browse::First;
  EXPECT_EQ(get(hconn, outputOnly, browse).status, failure(VXRC_NOT_OPEN_FOR_BROWSE));
  int32_t selector = VXIA_INHIBIT_PUT, value = 0;
  EXPECT_EQ(qm.inquire(hconn, outputOnly, 1, &selector, 1, &value, 0, nullptr), failure(VXRC_NOT_OPEN_FOR_INQUIRE));
  EXPECT_EQ(qm.set(hconn, inquireOnly, 1, &selector, 1, &value, 0, nullptr), failure(VXRC_NOT_OPEN_FOR_SET));
}

TEST_F(DynamicQueues, AModelMakesAQueueWithAUniqueNameAndItsAttributes) {
  int32_t hconn = connect();
  int32_t first = 0, second = 0;
  std::string name1, name2;
  ASSERT_EQ(openModel(hconn, "APP.*", first, name1, "SMALL.MODEL"), ok());
  ASSERT_EQ(openModel(hconn, "APP.*", second, name2, "SMALL.MODEL"), ok());
  EXPECT_EQ(name1.rfind("APP.", 0), 0u) << name1;
  EXPECT_EQ(name1.size(), 4u + 16u);
  EXPECT_NE(name1, name2);
  EXPECT_EQ(put(hconn, first, "1"), ok());
  EXPECT_EQ(put(hconn, first, "2"), ok());
  EXPECT_EQ(put(hconn, first, "3"), failure(VXRC_QUEUE_FULL)) << "the model's maximum depth";
  EXPECT_EQ(depth(hconn, name2), 0) << "each made queue is its own";
  EXPECT_EQ(get(hconn, first).text, "1");

  int32_t other = connect();
  int32_t opened = open(other, name1, VXOO_INPUT_SHARED);
  EXPECT_EQ(get(other, opened).text, "2") << "others open a made queue by its name";
}

TEST_F(DynamicQueues, NamesAreCheckedAndAGivenNameIsTakenAsItIs) {
  int32_t hconn = connect();
  int32_t hobj = 0;
  std::string made;
  EXPECT_EQ(openModel(hconn, "MY.REPLIES", hobj, made), ok());
  EXPECT_EQ(made, "MY.REPLIES");
  EXPECT_EQ(openModel(hconn, "MY.REPLIES", hobj, made), failure(VXRC_DYNAMIC_NAME_ERROR));
  EXPECT_EQ(openModel(hconn, "TALY.QUEUE.1", hobj, made), failure(VXRC_DYNAMIC_NAME_ERROR));
  EXPECT_EQ(openModel(hconn, "", hobj, made), failure(VXRC_DYNAMIC_NAME_ERROR));
  EXPECT_EQ(openModel(hconn, "A*B", hobj, made), failure(VXRC_DYNAMIC_NAME_ERROR));
  EXPECT_EQ(openModel(hconn, "BAD NAME*", hobj, made), failure(VXRC_DYNAMIC_NAME_ERROR));
  EXPECT_EQ(openModel(hconn, std::string(33, 'P') + "*", hobj, made), failure(VXRC_DYNAMIC_NAME_ERROR));
  EXPECT_EQ(openModel(hconn, std::string(32, 'P') + "*", hobj, made), ok());
  EXPECT_EQ(made.size(), 48u);
}

TEST_F(DynamicQueues, CloseWithDeleteRemovesOnlyAnUnsharedDynamicQueue) {
  int32_t hconn = connect();
  int32_t local = open(hconn, "TALY.QUEUE.1", VXOO_OUTPUT);
  EXPECT_EQ(qm.close(hconn, local, true), failure(VXRC_CLOSE_OPTIONS_ERROR));
  EXPECT_NE(local, 0) << "the handle stays open";

  int32_t hobj = 0;
  std::string made;
  ASSERT_EQ(openModel(hconn, "TMP.*", hobj, made), ok());
  ASSERT_EQ(put(hconn, hobj, "gone with the queue"), ok());
  int32_t other = connect();
  int32_t shared = open(other, made, VXOO_INQUIRE);
  EXPECT_EQ(qm.close(hconn, hobj, true), failure(VXRC_OBJECT_IN_USE));
  EXPECT_EQ(qm.close(other, shared, false), ok());
  EXPECT_EQ(qm.close(hconn, hobj, true), ok());
  ObjectRequest object;
  object.name = made;
  ObjectResolution resolution;
  EXPECT_EQ(qm.open(hconn, object, openFor(VXOO_INQUIRE), hobj, resolution), failure(VXRC_UNKNOWN_OBJECT_NAME));
  EXPECT_EQ(qm.disconnect(hconn), ok());
}

TEST_F(DynamicQueues, TheMakersDisconnectDeletesThemUnderOtherHandles) {
  int32_t maker = connect();
  int32_t hobj = 0;
  std::string made;
  ASSERT_EQ(openModel(maker, "TMP.*", hobj, made), ok());
  int32_t other = connect();
  int32_t theirs = open(other, made, VXOO_OUTPUT | VXOO_INPUT_SHARED | VXOO_INQUIRE);
  EXPECT_EQ(qm.disconnect(maker), ok());
  EXPECT_EQ(put(other, theirs, "x"), failure(VXRC_OBJECT_DELETED));
  EXPECT_EQ(get(other, theirs).status, failure(VXRC_OBJECT_DELETED));
  int32_t selector = VXIA_CURRENT_DEPTH, value = 0;
  EXPECT_EQ(qm.inquire(other, theirs, 1, &selector, 1, &value, 0, nullptr), failure(VXRC_OBJECT_DELETED));
  EXPECT_EQ(qm.close(other, theirs, true), ok()) << "closing what is gone still works";
}

TEST_F(Attributes, InquireAnswersEachSelectorInOrder) {
  int32_t hconn = connect();
  int32_t reader = open(hconn, "SMALL", VXOO_INPUT_SHARED | VXOO_INQUIRE);
  int32_t writer = open(hconn, "SMALL", VXOO_OUTPUT);
  ASSERT_EQ(put(hconn, writer, "a"), ok());
  ASSERT_EQ(put(hconn, writer, "b"), ok());
  int32_t selectors[] = {VXIA_CURRENT_DEPTH, VXCA_QMGR_NAME, VXIA_MAX_DEPTH, VXIA_MAX_MSG_LENGTH,
                         VXCA_QUEUE_NAME, VXIA_OPEN_INPUT_COUNT, VXIA_OPEN_OUTPUT_COUNT,
                         VXIA_INHIBIT_PUT, VXIA_INHIBIT_GET, VXIA_QUEUE_TYPE,
                         VXIA_DEFAULT_PRIORITY, VXIA_DEFAULT_PERSISTENCE};
  int32_t values[10];
  char names[96];
  ASSERT_EQ(qm.inquire(hconn, reader, 12, selectors, 10, values, 96, names), ok());
  EXPECT_EQ(std::vector<int32_t>(values, values + 10),
            (std::vector<int32_t>{2, 3, 10, 1, 1, 0, 0, VXQT_LOCAL, 0, VXPER_NOT_PERSISTENT}));
  EXPECT_EQ(std::string(names, 48), "VXRT.QM" + std::string(41, ' '));
  EXPECT_EQ(std::string(names + 48, 48), "SMALL" + std::string(43, ' '));
}

TEST_F(Attributes, BadSelectorsCountsAndLengthsFailBeforeAnythingIsWritten) {
  int32_t hconn = connect();
  int32_t hobj = open(hconn, "TALY.QUEUE.3", VXOO_INQUIRE | VXOO_SET);
  int32_t selectors[] = {VXIA_CURRENT_DEPTH, VXCA_QUEUE_NAME};
  int32_t values[1] = {-1};
  char names[48];
  EXPECT_EQ(qm.inquire(hconn, hobj, -1, selectors, 1, values, 48, names), failure(VXRC_SELECTOR_COUNT_ERROR));
  EXPECT_EQ(qm.inquire(hconn, hobj, VX_MAX_SELECTORS + 1, selectors, 1, values, 48, names),
            failure(VXRC_SELECTOR_COUNT_ERROR));
  EXPECT_EQ(qm.inquire(hconn, hobj, 2, nullptr, 1, values, 48, names), failure(VXRC_SELECTOR_ERROR));
  EXPECT_EQ(qm.inquire(hconn, hobj, 2, selectors, 0, values, 48, names), failure(VXRC_INT_ATTR_COUNT_ERROR));
  EXPECT_EQ(qm.inquire(hconn, hobj, 2, selectors, 1, nullptr, 48, names), failure(VXRC_INT_ATTR_COUNT_ERROR));
  EXPECT_EQ(qm.inquire(hconn, hobj, 2, selectors, 1, values, 47, names), failure(VXRC_CHAR_ATTR_LENGTH_ERROR));
  EXPECT_EQ(qm.inquire(hconn, hobj, 2, selectors, 1, values, 48, nullptr), failure(VXRC_CHAR_ATTR_LENGTH_ERROR));
  int32_t unknown[] = {VXIA_CURRENT_DEPTH, 77};
  EXPECT_EQ(qm.inquire(hconn, hobj, 2, unknown, 2, values, 0, nullptr), failure(VXRC_SELECTOR_ERROR));
  EXPECT_EQ(values[0], -1);
  EXPECT_EQ(qm.inquire(hconn, hobj, 0, nullptr, 0, nullptr, 0, nullptr), ok());
}

TEST_F(Attributes, SetChangesOnlyTheInhibitAttributesAndAllOrNothing) {
  int32_t hconn = connect();
  int32_t hobj = open(hconn, "TALY.QUEUE.3", VXOO_INQUIRE | VXOO_SET | VXOO_OUTPUT);
  int32_t both[] = {VXIA_INHIBIT_GET, VXIA_INHIBIT_PUT};
  int32_t bad[] = {VXINHIBIT_INHIBITED, 2};
  EXPECT_EQ(qm.set(hconn, hobj, 2, both, 2, bad, 0, nullptr), failure(VXRC_ATTR_VALUE_ERROR));
  int32_t withDepth[] = {VXIA_INHIBIT_GET, VXIA_MAX_DEPTH};
  int32_t values[] = {VXINHIBIT_INHIBITED, 5};
  EXPECT_EQ(qm.set(hconn, hobj, 2, withDepth, 2, values, 0, nullptr), failure(VXRC_ATTR_NOT_SETTABLE));
  int32_t name[] = {VXCA_QUEUE_NAME};
  char text[48] = {};
  EXPECT_EQ(qm.set(hconn, hobj, 1, name, 0, nullptr, 48, text), failure(VXRC_ATTR_NOT_SETTABLE));
  int32_t current[2];
  ASSERT_EQ(qm.inquire(hconn, hobj, 2, both, 2, current, 0, nullptr), ok());
  EXPECT_EQ(current[0], VXINHIBIT_ALLOWED) << "no partial change";
  EXPECT_EQ(put(hconn, hobj, "before"), ok());

  int32_t inhibit[] = {VXINHIBIT_ALLOWED, VXINHIBIT_INHIBITED};
  ASSERT_EQ(qm.set(hconn, hobj, 2, both, 2, inhibit, 0, nullptr), ok());
  ASSERT_EQ(qm.inquire(hconn, hobj, 2, both, 2, current, 0, nullptr), ok());
  EXPECT_EQ(current[1], VXINHIBIT_INHIBITED);
  EXPECT_EQ(put(hconn, hobj, "after"), failure(VXRC_PUT_INHIBITED)) << "checked at each put";
}
