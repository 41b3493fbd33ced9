package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.bytes;
import static com.orvane.vx.taly.api.TestQueues.fails;
import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertEquals;

import com.orvane.vx.taly.structs.Reasons;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Puts and gets under syncpoint: seen by others only after a commit, undone by a backout. */
class UnitOfWorkTest {

    private static final PutOptions IN_UNIT = PutOptions.builder().syncpoint().build();
    private static final GetOptions GET_IN_UNIT = GetOptions.builder().syncpoint().build();

    private Connection worker;
    private Connection observer;
    private Queue queue;
    private Queue observed;

    @BeforeEach
    void open() {
        worker = Connection.connect();
        queue = fresh(worker);
        observer = Connection.connect();
        observed = observer.open(queue.name(), OpenOption.INPUT_SHARED, OpenOption.INQUIRE);
    }

    @AfterEach
    void close() {
        observer.close();
        worker.close();
    }

    @Test
    void aPutUnderSyncpointIsSeenByOthersOnlyAfterTheCommit() {
        queue.put(new Message(bytes("pending")), IN_UNIT);
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> observed.get());
        assertEquals(Completion.OK, worker.commit());
        assertEquals("pending", observed.get().bodyText());
    }

    @Test
    void aBackoutUndoesThePutsOfTheUnit() {
        queue.put(new Message(bytes("kept")));
        queue.put(new Message(bytes("undone 1")), IN_UNIT);
        queue.put(new Message(bytes("undone 2")), IN_UNIT);
        assertEquals(Completion.OK, worker.backout());
        assertEquals("kept", observed.get().bodyText());
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> observed.get());
    }

    @Test
    void aBackedOutGetReturnsTheMessageWithItsBackoutCountRaised() {
        queue.put(new Message(bytes("retry me")));
        for (int round = 0; round < 3; round++) {
            Message got = queue.get(GET_IN_UNIT);
            assertEquals(round, got.backoutCount());
            fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> observed.get());
            worker.backout();
        }
        Message last = queue.get(GET_IN_UNIT);
        assertEquals(3, last.backoutCount());
        worker.commit();
        assertEquals(0, observed.depth());
    }

    @Test
    void aCommittedGetIsFinal() {
        queue.put(new Message(bytes("once")));
        assertEquals("once", queue.get(GET_IN_UNIT).bodyText());
        worker.commit();
        worker.backout();
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> observed.get());
    }

    @Test
    void beginStartsAUnitThatCommitEnds() {
        assertEquals(Completion.OK, worker.begin());
        fails(Reasons.VXRC_UOW_IN_PROGRESS, () -> worker.begin());
        queue.put(new Message(bytes("in begun unit")), IN_UNIT);
        worker.commit();
        assertEquals("in begun unit", observed.get().bodyText());
    }

    @Test
    void disconnectBacksOutTheOpenUnitWithAWarning() {
        Connection leaver = Connection.connect(null, "junit leaver", null, null);
        Queue same = leaver.open(queue.name(), OpenOption.OUTPUT);
        same.put(new Message(bytes("left behind")), IN_UNIT);
        Completion completion = leaver.disconnect();
        assertEquals(new Completion(1, Reasons.VXRC_BACKED_OUT_AT_DISCONNECT), completion);
        assertEquals(0, observed.depth());
        fails(Reasons.VXRC_HCONN_ERROR, () -> same.put(new Message()));
    }
}
