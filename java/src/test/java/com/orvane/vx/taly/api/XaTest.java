package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.bytes;
import static com.orvane.vx.taly.api.TestQueues.fails;
import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import com.orvane.vx.taly.structs.Xa;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.CompletableFuture;
import javax.transaction.xa.XAException;
import javax.transaction.xa.XAResource;
import javax.transaction.xa.Xid;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * A test acting as transaction manager drives the queue manager through
 * {@link XaResource}: two-phase and one-phase commit, rollback, recovery by
 * another connection, and the errors of calls in the wrong state.
 */
class XaTest {

    private static final PutOptions IN_UNIT = PutOptions.builder().syncpoint().build();
    private static final GetOptions GET_IN_UNIT = GetOptions.builder().syncpoint().build();

    private Connection observer;
    private Queue observed;
    private XaConnection first;
    private XaConnection second;
    private Queue onFirst;
    private Queue onSecond;

    @BeforeEach
    void open() throws XAException {
        observer = Connection.connect();
        observed = fresh(observer);
        first = XaConnection.connect();
        second = XaConnection.connect("VXRT.QM");
        onFirst = first.connection().open(observed.name(), OpenOption.OUTPUT, OpenOption.INPUT_SHARED);
        onSecond = second.connection().open(observed.name(), OpenOption.OUTPUT, OpenOption.INPUT_SHARED);
    }

    @AfterEach
    void close() throws XAException {
        first.close();
        second.close();
        // Whatever a failed test left in doubt goes, so that it cannot meet the next one.
        try (XaConnection cleaner = XaConnection.connect()) {
            for (Xid xid : cleaner.xaResource().recover(XAResource.TMSTARTRSCAN | XAResource.TMENDRSCAN)) {
                cleaner.xaResource().rollback(xid);
            }
        }
        observer.close();
    }

    @Test
    void aTwoPhaseCommitOfPutsAndGetsOnTwoConnections() throws Exception {
        observed.put(new Message(bytes("ordered")));
        Xid shipping = xid("order-1", "shipping");
        Xid billing = xid("order-1", "billing");
        XaResource a = first.xaResource();
        XaResource b = second.xaResource();

        a.start(shipping, XAResource.TMNOFLAGS);
        onFirst.put(new Message(bytes("shipped")), IN_UNIT);
        a.end(shipping, XAResource.TMSUCCESS);
        b.start(billing, XAResource.TMNOFLAGS);
        assertEquals("ordered", onSecond.get(GET_IN_UNIT).bodyText());
        b.end(billing, XAResource.TMSUCCESS);
        assertEquals(2, observed.depth(), "both messages are still there, pending");
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> observed.get());

        // The transaction manager's own thread prepares and commits.
        CompletableFuture.runAsync(() -> {
            try {
                assertEquals(XAResource.XA_OK, a.prepare(shipping));
                assertEquals(XAResource.XA_OK, b.prepare(billing));
                fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> observed.get());
                a.commit(shipping, false);
                b.commit(billing, false);
            } catch (XAException e) {
                throw new AssertionError(e);
            }
        }).get();
        assertEquals("shipped", observed.get().bodyText());
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> observed.get());
        assertCode(XAException.XAER_NOTA, () -> a.commit(shipping, false));
    }

    @Test
    void aRollbackDiscardsThePutsAndReturnsTheGotMessages() throws Exception {
        observed.put(new Message(bytes("kept")));
        Xid x = xid("rollback", "1");
        XaResource a = first.xaResource();
        a.start(x, XAResource.TMNOFLAGS);
        onFirst.put(new Message(bytes("discarded")), IN_UNIT);
        assertEquals("kept", onFirst.get(GET_IN_UNIT).bodyText());
        a.end(x, XAResource.TMSUCCESS);
        assertEquals(XAResource.XA_OK, a.prepare(x));
        a.rollback(x);
        Message back = observed.get();
        assertEquals("kept", back.bodyText());
        assertEquals(1, back.backoutCount());
        assertEquals(0, observed.depth());
    }

    @Test
    void aOnePhaseCommitNeedsNoPrepare() throws Exception {
        Xid x = xid("one-phase", "1");
        XaResource a = first.xaResource();
        a.start(x, XAResource.TMNOFLAGS);
        onFirst.put(new Message(bytes("at once")), IN_UNIT);
        a.end(x, XAResource.TMSUCCESS);
        a.commit(x, true);
        assertEquals("at once", observed.get().bodyText());

        Xid idle = xid("one-phase", "2");
        a.start(idle, XAResource.TMNOFLAGS);
        onFirst.put(new Message(bytes("outside")), PutOptions.builder().build());
        a.end(idle, XAResource.TMSUCCESS);
        assertEquals(XAResource.XA_RDONLY, a.prepare(idle), "nothing under syncpoint");
        assertCode(XAException.XAER_NOTA, () -> a.commit(idle, true));
        assertEquals("outside", observed.get().bodyText());
    }

    @Test
    void aPreparedBranchOutlivesItsConnectionAndIsRecoveredAndCommittedByAnother() throws Exception {
        byte[] longest = new byte[Xa.MAXGTRIDSIZE];
        Arrays.fill(longest, (byte) 0xA5);
        Xid x = new TestXid(-20, longest, bytes("bq"));
        first.xaResource().start(x, XAResource.TMNOFLAGS);
        onFirst.put(new Message(bytes("in doubt")), IN_UNIT);
        first.xaResource().end(x, XAResource.TMSUCCESS);
        assertEquals(XAResource.XA_OK, first.xaResource().prepare(x));
        first.close();
        assertEquals(1, observed.depth(), "the connection went, the prepared put stayed");
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> observed.get());

        try (XaConnection recovering = XaConnection.connect()) {
            XaResource r = recovering.xaResource();
            List<Xid> found = Arrays.asList(r.recover(XAResource.TMSTARTRSCAN | XAResource.TMENDRSCAN));
            assertEquals(List.of(x), found.stream().filter(x::equals).toList());
            Xid recovered = found.get(found.indexOf(x));
            assertEquals(-20, recovered.getFormatId());
            assertArrayEquals(longest, recovered.getGlobalTransactionId());
            assertArrayEquals(bytes("bq"), recovered.getBranchQualifier());
            r.commit(recovered, false);
            assertEquals(0, r.recover(XAResource.TMSTARTRSCAN | XAResource.TMENDRSCAN).length);
        }
        assertEquals("in doubt", observed.get().bodyText());
    }

    @Test
    void callsInTheWrongStateFailWithTheirXaCodes() throws Exception {
        Xid x = xid("wrong-state", "1");
        XaResource a = first.xaResource();
        a.start(x, XAResource.TMNOFLAGS);
        onFirst.put(new Message(bytes("m")), IN_UNIT);
        XAException e = assertCode(XAException.XAER_PROTO, () -> a.commit(x, true));
        assertTrue(e.getMessage().contains("xa_commit: XAER_PROTO (-6)"), e.getMessage());
        fails(Reasons.VXRC_GLOBAL_UOW_ACTIVE, () -> first.connection().commit());
        fails(Reasons.VXRC_GLOBAL_UOW_ACTIVE, () -> first.connection().backout());
        assertCode(XAException.XAER_DUPID, () -> second.xaResource().start(x, XAResource.TMNOFLAGS));
        a.end(x, XAResource.TMSUCCESS);
        assertEquals(XAResource.XA_OK, a.prepare(x));
        assertCode(XAException.XAER_PROTO, () -> a.prepare(x));
        assertCode(XAException.XAER_PROTO, () -> a.commit(x, true));
        assertCode(XAException.XAER_NOTA, () -> a.rollback(xid("wrong-state", "unknown")));
        assertCode(XAException.XAER_PROTO, () -> a.forget(x));
        assertCode(XAException.XAER_INVAL, () -> a.start(xid("wrong-state", "2"), XAResource.TMSUCCESS));
        a.commit(x, false);
        assertEquals("m", observed.get().bodyText());
    }

    @Test
    void suspendResumeJoinAndFailMeanWhatTheXaStandardSays() throws Exception {
        Xid x = xid("join", "1");
        XaResource a = first.xaResource();
        XaResource b = second.xaResource();
        a.start(x, XAResource.TMNOFLAGS);
        onFirst.put(new Message(bytes("first")), IN_UNIT);
        a.end(x, XAResource.TMSUSPEND);
        first.connection().commit();  // its own, empty unit of work: allowed while suspended
        a.start(x, XAResource.TMRESUME);
        b.start(x, XAResource.TMJOIN);
        onSecond.put(new Message(bytes("second")), IN_UNIT);
        a.end(x, XAResource.TMSUCCESS);
        b.end(x, XAResource.TMSUCCESS);
        a.commit(x, true);
        assertEquals("first", observed.get().bodyText());
        assertEquals("second", observed.get().bodyText());

        Xid failed = xid("join", "2");
        a.start(failed, XAResource.TMNOFLAGS);
        onFirst.put(new Message(bytes("never")), IN_UNIT);
        a.end(failed, XAResource.TMFAIL);
        assertCode(XAException.XA_RBROLLBACK, () -> a.prepare(failed));
        assertEquals(0, observed.depth());
    }

    @Test
    void resourcesNamingTheSameQueueManagerAreTheSameResourceManager() throws XAException {
        try (XaConnection third = XaConnection.connect(); XaConnection fourth = XaConnection.connect("VXRT.QM")) {
            assertTrue(first.xaResource().isSameRM(third.xaResource()));
            assertTrue(second.xaResource().isSameRM(fourth.xaResource()));
            assertFalse(first.xaResource().isSameRM(second.xaResource()), "the default's name is not resolved");
            assertTrue(first.xaResource().rmid() != third.xaResource().rmid());
        }
    }

    @Test
    void xidsThatDoNotFitTheNativeLayoutOrAreNullAreInvalid() {
        XaResource a = first.xaResource();
        assertCode(XAException.XAER_INVAL, () -> a.start(null, XAResource.TMNOFLAGS));
        assertCode(XAException.XAER_INVAL,
                () -> a.start(new TestXid(1, new byte[Xa.MAXGTRIDSIZE + 1], new byte[0]), XAResource.TMNOFLAGS));
        assertCode(XAException.XAER_INVAL,
                () -> a.start(new TestXid(1, new byte[0], new byte[1]), XAResource.TMNOFLAGS));
        assertCode(XAException.XAER_INVAL,
                () -> a.start(new TestXid(1, new byte[1], new byte[Xa.MAXBQUALSIZE + 1]), XAResource.TMNOFLAGS));
        assertCode(XAException.XAER_INVAL, () -> a.start(new TestXid(-1, new byte[1], new byte[1]),
                XAResource.TMNOFLAGS));  // the null XID, refused by the queue manager
        assertFalse(a.setTransactionTimeout(10));
    }

    @Test
    void theMirroredConstantsAreTheJavaTransactionApisOwn() {
        assertEquals(XAResource.TMNOFLAGS, Xa.TMNOFLAGS);
        assertEquals(XAResource.TMJOIN, Xa.TMJOIN);
        assertEquals(XAResource.TMRESUME, Xa.TMRESUME);
        assertEquals(XAResource.TMSUSPEND, Xa.TMSUSPEND);
        assertEquals(XAResource.TMSUCCESS, Xa.TMSUCCESS);
        assertEquals(XAResource.TMFAIL, Xa.TMFAIL);
        assertEquals(XAResource.TMONEPHASE, Xa.TMONEPHASE);
        assertEquals(XAResource.TMSTARTRSCAN, Xa.TMSTARTRSCAN);
        assertEquals(XAResource.TMENDRSCAN, Xa.TMENDRSCAN);
        assertEquals(XAResource.XA_OK, Xa.XA_OK);
        assertEquals(XAResource.XA_RDONLY, Xa.XA_RDONLY);
        assertEquals(XAException.XA_RBROLLBACK, Xa.XA_RBROLLBACK);
        assertEquals(XAException.XA_HEURCOM, Xa.XA_HEURCOM);
        assertEquals(XAException.XAER_RMERR, Xa.XAER_RMERR);
        assertEquals(XAException.XAER_NOTA, Xa.XAER_NOTA);
        assertEquals(XAException.XAER_INVAL, Xa.XAER_INVAL);
        assertEquals(XAException.XAER_PROTO, Xa.XAER_PROTO);
        assertEquals(XAException.XAER_DUPID, Xa.XAER_DUPID);
        assertEquals(XAException.XAER_OUTSIDE, Xa.XAER_OUTSIDE);
    }

    interface XaCall {
        void run() throws XAException;
    }

    private static XAException assertCode(int code, XaCall call) {
        XAException e = assertThrows(XAException.class, call::run);
        assertEquals(code, e.errorCode, e.getMessage());
        return e;
    }

    private static Xid xid(String gtrid, String bqual) {
        return new TestXid(0x5658, bytes(gtrid), bytes(bqual));
    }

    /** A transaction manager's own XID class. */
    private static final class TestXid implements Xid {
        private final int formatId;
        private final byte[] gtrid;
        private final byte[] bqual;

        TestXid(int formatId, byte[] gtrid, byte[] bqual) {
            this.formatId = formatId;
            this.gtrid = gtrid;
            this.bqual = bqual;
        }

        @Override
        public int getFormatId() {
            return formatId;
        }

        @Override
        public byte[] getGlobalTransactionId() {
            return gtrid.clone();
        }

        @Override
        public byte[] getBranchQualifier() {
            return bqual.clone();
        }

        @Override
        public boolean equals(Object other) {
            return other instanceof Xid x && x.getFormatId() == formatId
                    && Arrays.equals(x.getGlobalTransactionId(), gtrid)
                    && Arrays.equals(x.getBranchQualifier(), bqual);
        }

        @Override
        public int hashCode() {
            return Arrays.hashCode(gtrid);
        }
    }
}
