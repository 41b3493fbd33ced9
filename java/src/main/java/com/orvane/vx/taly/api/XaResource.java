package com.orvane.vx.taly.api;

import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.structs.Xa;
import java.util.ArrayList;
import java.util.List;
import javax.transaction.xa.XAException;
import javax.transaction.xa.XAResource;
import javax.transaction.xa.Xid;

/**
 * The queue manager as a transaction manager sees it through one
 * {@link XaConnection}: the XA calls ({@code zstXA*}) under that connection's
 * rmid. While a branch is started and not ended or suspended, the
 * connection's puts and gets under syncpoint belong to it, whichever thread
 * makes them; the other calls may come from any thread, and prepared or idle
 * branches may be completed through the resource of another connection,
 * after theirs has closed (see {@link #recover}).
 *
 * <p>Each call returns or throws the runtime's XA return code: an
 * {@link XAException} whose {@code errorCode} is the code, and whose message
 * names the call and the code. {@link #prepare} returns {@code XA_OK} or
 * {@code XA_RDONLY} (the branch did nothing and is forgotten).
 */
public final class XaResource implements XAResource {

    /** XIDs asked of the runtime per recovery call. */
    private static final int RECOVERY_BATCH = 32;

    private final int rmid;
    private final String qmgrKey;

    XaResource(int rmid, String qmgrName) {
        this.rmid = rmid;
        this.qmgrKey = qmgrName == null ? "" : qmgrName.trim();
    }

    /**
     * The rmid that names this resource's connection in the XA calls.
     *
     * @return the resource manager identifier
     */
    public int rmid() {
        return rmid;
    }

    @Override
    public void start(Xid xid, int flags) throws XAException {
        byte[] bytes = XidLayout.toNative(xid);
        check("xa_start", Native.zstXAStart(Binding.ready(), bytes, rmid, flags));
    }

    @Override
    public void end(Xid xid, int flags) throws XAException {
        byte[] bytes = XidLayout.toNative(xid);
        check("xa_end", Native.zstXAEnd(Binding.ready(), bytes, rmid, flags));
    }

    @Override
    public int prepare(Xid xid) throws XAException {
        byte[] bytes = XidLayout.toNative(xid);
        int rc = Native.zstXAPrepare(Binding.ready(), bytes, rmid, Xa.TMNOFLAGS);
        if (rc != Xa.XA_RDONLY) {
            check("xa_prepare", rc);
        }
        return rc;
    }

    @Override
    public void commit(Xid xid, boolean onePhase) throws XAException {
        byte[] bytes = XidLayout.toNative(xid);
        int flags = onePhase ? Xa.TMONEPHASE : Xa.TMNOFLAGS;
        check("xa_commit", Native.zstXACommit(Binding.ready(), bytes, rmid, flags));
    }

    @Override
    public void rollback(Xid xid) throws XAException {
        byte[] bytes = XidLayout.toNative(xid);
        check("xa_rollback", Native.zstXARollback(Binding.ready(), bytes, rmid, Xa.TMNOFLAGS));
    }

    @Override
    public void forget(Xid xid) throws XAException {
        byte[] bytes = XidLayout.toNative(xid);
        check("xa_forget", Native.zstXAForget(Binding.ready(), bytes, rmid, Xa.TMNOFLAGS));
    }

    /**
     * The prepared branches of the queue manager (not only this connection's):
     * with {@code TMSTARTRSCAN} a new scan, with {@code TMNOFLAGS} the rest of
     * the scan begun earlier. Each call hands out all the XIDs the scan has
     * left, so a later call with {@code TMNOFLAGS} finds none;
     * {@code TMENDRSCAN} ends the scan after this call.
     */
    @Override
    public Xid[] recover(int flag) throws XAException {
        List<Xid> found = new ArrayList<>();
        int flags = flag & ~Xa.TMENDRSCAN;
        for (;;) {
            byte[] xids = new byte[RECOVERY_BATCH * XidLayout.SIZE];
            int count = Native.zstXARecover(Binding.ready(), xids, RECOVERY_BATCH, rmid, flags);
            if (count < 0) {
                throw failure("xa_recover", count);
            }
            for (int i = 0; i < count; i++) {
                found.add(XidLayout.fromNative(xids, i));
            }
            if (count < RECOVERY_BATCH) {
                break;
            }
            flags = Xa.TMNOFLAGS;
        }
        if ((flag & Xa.TMENDRSCAN) != 0) {
            int rc = Native.zstXARecover(Binding.ready(), null, 0, rmid, Xa.TMENDRSCAN);
            if (rc < 0) {
                throw failure("xa_recover", rc);
            }
        }
        return found.toArray(new Xid[0]);
    }

    /**
     * True for another resource of the same queue manager (as named when
     * connecting; the default's blank name is not resolved): a transaction
     * manager may then join one branch through both, with {@code TMJOIN}.
     */
    @Override
    public boolean isSameRM(XAResource other) {
        return other instanceof XaResource resource && resource.qmgrKey.equals(qmgrKey);
    }

    /** Branches do not time out in this queue manager. */
    @Override
    public int getTransactionTimeout() {
        return 0;
    }

    /** Not supported: branches do not time out in this queue manager. */
    @Override
    public boolean setTransactionTimeout(int seconds) {
        return false;
    }

    /** The rmid and the queue manager's name. */
    @Override
    public String toString() {
        return "XaResource[rmid " + rmid + (qmgrKey.isEmpty() ? "" : ", " + qmgrKey) + "]";
    }

    private static void check(String call, int rc) throws XAException {
        if (rc != Xa.XA_OK) {
            throw failure(call, rc);
        }
    }

    static XAException failure(String what, int rc) {
        XAException e = new XAException(what + ": " + Xa.codeName(rc) + " (" + rc + ")");
        e.errorCode = rc;
        return e;
    }
}
