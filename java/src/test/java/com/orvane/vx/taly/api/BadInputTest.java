package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.bytes;
import static com.orvane.vx.taly.api.TestQueues.fails;
import static org.junit.jupiter.api.Assertions.assertAll;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.LocalHconn;
import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.structs.BeginOptions;
import com.orvane.vx.taly.structs.ConnectOptions;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.NativeStruct;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.PutMessageOptions;
import com.orvane.vx.taly.structs.Reasons;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * Bad handles, options and structures reach the queue manager through the
 * same calls the API makes, and come back as completion code 2 with the
 * reason documented for each; the connection stays usable afterwards.
 */
class BadInputTest {

    private static final byte[] BODY = bytes("body");

    private Connection connection;
    private Queue queue;
    private int hconn;
    private int hobj;

    @BeforeEach
    void open() {
        connection = Connection.connect();
        queue = TestQueues.fresh(connection);
        hconn = connection.call("test", handle -> handle);
        hobj = queue.connection().call("test", handle -> openHandle(handle, queue.name()));
    }

    @AfterEach
    void close() {
        queue.put(new Message(BODY));
        assertEquals("body", queue.get().bodyText(), "the connection still works");
        connection.close();
    }

    @Test
    void badHandles() {
        int otherConnectionsHobj;
        try (Connection other = Connection.connect()) {
            otherConnectionsHobj = other.call("test", handle -> openHandle(handle, queue.name()));
            assertAll(
                () -> expect(Reasons.VXRC_HOBJ_ERROR, put(hconn, otherConnectionsHobj, md(), pmo())),
                () -> expect(Reasons.VXRC_HOBJ_ERROR, put(hconn, hobj + 7919, md(), pmo())),
                () -> expect(Reasons.VXRC_HCONN_ERROR, put(hconn + 7919, hobj, md(), pmo())),
                () -> expect(Reasons.VXRC_HCONN_ERROR, Calls.commit(-1)),
                () -> expect(Reasons.VXRC_HCONN_ERROR, Calls.open(0, ObjectDescriptor.queue(TestQueues.LOCAL),
                        Constants.VXOO_OUTPUT, new LocalHobj())));
        }
        LocalHobj closed = new LocalHobj(hobj);
        assertEquals(Completion.OK, Calls.close(hconn, closed, Constants.VXCO_NONE));
        expect(Reasons.VXRC_HOBJ_ERROR, put(hconn, hobj, md(), pmo()));
        expect(Reasons.VXRC_HOBJ_ERROR, Calls.close(hconn, new LocalHobj(hobj), Constants.VXCO_NONE));
    }

    @Test
    void badOptions() {
        GetMessageOptions reservedBit = new GetMessageOptions().setOptions(Constants.VXGMO_RESERVED);
        GetMessageOptions badMatch = new GetMessageOptions().setMatchOptions(0x100);
        GetMessageOptions badWait = new GetMessageOptions().setOptions(Constants.VXGMO_WAIT).setWaitInterval(-5);
        PutMessageOptions bothSyncpoints = pmo().setOptions(Constants.VXPMO_SYNCPOINT | Constants.VXPMO_NO_SYNCPOINT);
        assertAll(
            () -> expect(Reasons.VXRC_OPEN_OPTIONS_ERROR, open(0)),
            () -> expect(Reasons.VXRC_OPEN_OPTIONS_ERROR,
                    open(Constants.VXOO_INPUT_SHARED | Constants.VXOO_INPUT_EXCLUSIVE)),
            () -> expect(Reasons.VXRC_GET_OPTIONS_ERROR, get(md(), reservedBit)),
            () -> expect(Reasons.VXRC_MATCH_OPTIONS_ERROR, get(md(), badMatch)),
            () -> expect(Reasons.VXRC_WAIT_INTERVAL_ERROR, get(md(), badWait)),
            () -> expect(Reasons.VXRC_PUT_OPTIONS_ERROR, put(hconn, hobj, md(), bothSyncpoints)),
            () -> expect(Reasons.VXRC_CLOSE_OPTIONS_ERROR, Calls.close(hconn, new LocalHobj(hobj), 0x80)),
            () -> expect(Reasons.VXRC_BEGIN_OPTIONS_ERROR, Calls.begin(hconn, new BeginOptions().setOptions(1))),
            () -> expect(Reasons.VXRC_PRIORITY_ERROR, put(hconn, hobj, md().setPriority(12), pmo())),
            () -> expect(Reasons.VXRC_PERSISTENCE_ERROR, put(hconn, hobj, md().setPersistence(5), pmo())),
            () -> expect(Reasons.VXRC_EXPIRY_ERROR, put(hconn, hobj, md().setExpiry(-2), pmo())),
            () -> fails(Reasons.VXRC_OPEN_OPTIONS_ERROR, () -> connection.open(queue.name())));
        assertEquals(0, queue.depth(), "nothing was put");
    }

    @Test
    void badStructures() {
        assertAll(
            () -> expect(Reasons.VXRC_MD_ERROR, put(hconn, hobj, null, pmo())),
            () -> expect(Reasons.VXRC_MD_ERROR, put(hconn, hobj, withStrucId(md(), "XD  "), pmo())),
            () -> expect(Reasons.VXRC_MD_ERROR, put(hconn, hobj, withVersion(md(), 0), pmo())),
            () -> expect(Reasons.VXRC_MD_ERROR, put(hconn, hobj, withVersion(md(), 3), pmo())),
            () -> expect(Reasons.VXRC_PMO_ERROR, put(hconn, hobj, md(), null)),
            () -> expect(Reasons.VXRC_PMO_ERROR, put(hconn, hobj, md(), withStrucId(pmo(), "PMX "))),
            () -> expect(Reasons.VXRC_GMO_ERROR, get(md(), null)),
            () -> expect(Reasons.VXRC_GMO_ERROR, get(md(), withVersion(new GetMessageOptions(), 99))),
            () -> expect(Reasons.VXRC_MD_ERROR, get(withStrucId(md(), "md  "), new GetMessageOptions())),
            () -> expect(Reasons.VXRC_OD_ERROR, Calls.open(hconn, null, Constants.VXOO_OUTPUT, new LocalHobj())),
            () -> expect(Reasons.VXRC_OD_ERROR, Calls.open(hconn,
                    withStrucId(ObjectDescriptor.queue(queue.name()), "OB  "), Constants.VXOO_OUTPUT, new LocalHobj())),
            () -> expect(Reasons.VXRC_OBJECT_TYPE_ERROR, Calls.open(hconn,
                    ObjectDescriptor.queue(queue.name()).setObjectType(77), Constants.VXOO_OUTPUT, new LocalHobj())),
            () -> expect(Reasons.VXRC_BO_ERROR, Calls.begin(hconn, withStrucId(new BeginOptions(), "BX  "))),
            () -> expect(Reasons.VXRC_CNO_ERROR, Calls.connectWithOptions(NativeStruct.qmgrName(""),
                    withStrucId(new ConnectOptions(), "CON "), new LocalHconn())));
        assertEquals(0, queue.depth(), "nothing was put");
    }

    @Test
    void unknownNamesFail() {
        fails(Reasons.VXRC_QMGR_NAME_ERROR, () -> Connection.connect("NO.SUCH.QMGR"));
        fails(Reasons.VXRC_UNKNOWN_OBJECT_NAME, () -> connection.open("NO.SUCH.QUEUE", OpenOption.OUTPUT));
        fails(Reasons.VXRC_MODEL_QUEUE_ERROR, () -> connection.putOne(TestQueues.MODEL, new Message(BODY),
                PutOptions.DEFAULTS));
    }

    @Test
    void aBufferLongerThanItsArrayIsRefusedByTheLibraryBeforeTheQueueManagerSeesIt() {
        queue.put(new Message(BODY));
        Pint dataLength = new Pint(-1);
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXGET(false, hconn, 0, 0, hobj, md().bytes(), new GetMessageOptions().bytes(), 64, new byte[8],
                dataLength, cc, reason);
        assertEquals(new Completion(2, Reasons.VXRC_UNEXPECTED_ERROR), new Completion(cc.x, reason.x));
        assertEquals(-1, dataLength.x, "no length written back after a failure");
        assertEquals(1, queue.depth(), "the message stays");
        queue.get();
    }

    @Test
    void theApiRefusesClosedQueuesAndConnectionsWithoutCallingTheQueueManager() {
        Queue closedQueue = connection.open(queue.name(), OpenOption.OUTPUT);
        closedQueue.close();
        VxException e = fails(Reasons.VXRC_HOBJ_ERROR, () -> closedQueue.put(new Message(BODY)));
        assertEquals("VXPUT", e.call());
        assertTrue(e.getMessage().endsWith("is closed"), e.getMessage());

        Connection gone = Connection.connect();
        Queue orphan = gone.open(queue.name(), OpenOption.OUTPUT);
        gone.close();
        e = fails(Reasons.VXRC_HCONN_ERROR, () -> orphan.put(new Message(BODY)));
        assertTrue(e.getMessage().endsWith("the connection is closed"), e.getMessage());
        fails(Reasons.VXRC_HCONN_ERROR, gone::commit);
        assertEquals(Completion.OK, gone.disconnect(), "a second disconnect does nothing");
        orphan.close();
    }

    private static void expect(int reason, Completion completion) {
        assertEquals(new Completion(Reasons.VXCC_FAILED, reason), completion);
    }

    private static int openHandle(int handle, String name) {
        LocalHobj holder = new LocalHobj();
        Calls.check("VXOPEN", Calls.open(handle, ObjectDescriptor.queue(name),
                Constants.VXOO_OUTPUT | Constants.VXOO_INPUT_SHARED, holder));
        return holder.getValue();
    }

    private Completion open(int options) {
        return Calls.open(hconn, ObjectDescriptor.queue(queue.name()), options, new LocalHobj());
    }

    private static Completion put(int hconn, int hobj, MessageDescriptor md, PutMessageOptions pmo) {
        return Calls.put(hconn, hobj, md, pmo, BODY, BODY.length);
    }

    private Completion get(MessageDescriptor md, GetMessageOptions gmo) {
        queue.put(new Message(BODY));
        Completion completion = Calls.get(hconn, hobj, md, gmo, new byte[16], 16, new Pint());
        queue.get();
        return completion;
    }

    private static MessageDescriptor md() {
        return new MessageDescriptor();
    }

    private static PutMessageOptions pmo() {
        return new PutMessageOptions();
    }

    private static <T extends NativeStruct> T withStrucId(T struct, String id) {
        System.arraycopy(bytes(id), 0, struct.bytes(), 0, 4);
        return struct;
    }

    private static <T extends NativeStruct> T withVersion(T struct, int version) {
        ByteBuffer.wrap(struct.bytes()).order(ByteOrder.nativeOrder()).putInt(4, version);
        return struct;
    }
}
