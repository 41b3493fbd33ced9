package com.orvane.vx.taly.structs;

/**
 * Flags, return codes and limits of the XA interface between a transaction
 * manager and the queue manager, mirroring the runtime's header name for name.
 * The values are the XA standard's, as {@link javax.transaction.xa.XAResource}
 * and {@link javax.transaction.xa.XAException} also have them.
 */
public final class Xa {

    // Limits of an XID and of an open string
    public static final int XIDDATASIZE = 128;
    public static final int MAXGTRIDSIZE = 64;
    public static final int MAXBQUALSIZE = 64;
    public static final int MAXINFOSIZE = 256;
    public static final int NULLXID_FORMAT_ID = -1;

    // Open codes: the resource's own open (zstXAOpen) and a transaction manager's (zstXAOpen_tm)
    public static final int VXXA_OPEN_CODE_RESOURCE = 7;
    public static final int VXXA_OPEN_CODE_TM = 448;

    // Flags
    /** No flags. */
    public static final int TMNOFLAGS = 0x00000000;
    /** The resource manager registers dynamically (not used). */
    public static final int TMREGISTER = 0x00000001;
    /** The resource manager does not migrate (not used). */
    public static final int TMNOMIGRATE = 0x00000002;
    /** The resource manager supports asynchrony (not used). */
    public static final int TMUSEASYNC = 0x00000004;
    /** The association may migrate (not supported). */
    public static final int TMMIGRATE = 0x00100000;
    /** Start: join a branch already started. */
    public static final int TMJOIN = 0x00200000;
    /** Complete: wait for any operation (not used). */
    public static final int TMMULTIPLE = 0x00400000;
    /** Recover: end the recovery scan. */
    public static final int TMENDRSCAN = 0x00800000;
    /** Recover: start a recovery scan. */
    public static final int TMSTARTRSCAN = 0x01000000;
    /** End: suspend the association. */
    public static final int TMSUSPEND = 0x02000000;
    /** End: the work of the association succeeded. */
    public static final int TMSUCCESS = 0x04000000;
    /** Start: resume a suspended association. */
    public static final int TMRESUME = 0x08000000;
    /** Do not wait (accepted; no call of this runtime blocks). */
    public static final int TMNOWAIT = 0x10000000;
    /** End: the work failed; the branch may only roll back. */
    public static final int TMFAIL = 0x20000000;
    /** Commit: in one phase, without a prepare. */
    public static final int TMONEPHASE = 0x40000000;
    /** Asynchronous call (not supported). */
    public static final int TMASYNC = 0x80000000;

    // Return codes
    /** The call succeeded. */
    public static final int XA_OK = 0;
    /** Prepare: the branch did no work and has been forgotten. */
    public static final int XA_RDONLY = 3;
    /** The call may be made again (not returned). */
    public static final int XA_RETRY = 4;
    /** Heuristically committed in part (not returned). */
    public static final int XA_HEURMIX = 5;
    /** Heuristically rolled back (not returned). */
    public static final int XA_HEURRB = 6;
    /** Heuristically committed (not returned). */
    public static final int XA_HEURCOM = 7;
    /** Possibly heuristically completed (not returned). */
    public static final int XA_HEURHAZ = 8;
    /** The association cannot migrate (not returned). */
    public static final int XA_NOMIGRATE = 9;
    /** The branch was marked rollback-only and has been rolled back. */
    public static final int XA_RBROLLBACK = 100;
    /** Rolled back: communication failure (not returned). */
    public static final int XA_RBCOMMFAIL = 101;
    /** Rolled back: deadlock (not returned). */
    public static final int XA_RBDEADLOCK = 102;
    /** Rolled back: integrity (not returned). */
    public static final int XA_RBINTEGRITY = 103;
    /** Rolled back: other reason (not returned). */
    public static final int XA_RBOTHER = 104;
    /** Rolled back: protocol error (not returned). */
    public static final int XA_RBPROTO = 105;
    /** Rolled back: timeout (not returned). */
    public static final int XA_RBTIMEOUT = 106;
    /** Rolled back: transient (not returned). */
    public static final int XA_RBTRANSIENT = 107;
    /** An asynchronous operation is outstanding (not returned). */
    public static final int XAER_ASYNC = -2;
    /** The resource manager failed, or the library refused the call. */
    public static final int XAER_RMERR = -3;
    /** The XID names no branch this resource manager knows. */
    public static final int XAER_NOTA = -4;
    /** Invalid arguments: a flag, an XID, an open string, a count. */
    public static final int XAER_INVAL = -5;
    /** The call is not allowed in the branch's or the rmid's state. */
    public static final int XAER_PROTO = -6;
    /** The resource manager is unavailable (not returned). */
    public static final int XAER_RMFAIL = -7;
    /** Start without join of an XID that is already known. */
    public static final int XAER_DUPID = -8;
    /** The connection has a unit of work of its own in progress. */
    public static final int XAER_OUTSIDE = -9;

    private static final Object[][] CODES = {
        {XA_OK, "XA_OK"},
        {XA_RDONLY, "XA_RDONLY"},
        {XA_RETRY, "XA_RETRY"},
        {XA_HEURMIX, "XA_HEURMIX"},
        {XA_HEURRB, "XA_HEURRB"},
        {XA_HEURCOM, "XA_HEURCOM"},
        {XA_HEURHAZ, "XA_HEURHAZ"},
        {XA_NOMIGRATE, "XA_NOMIGRATE"},
        {XA_RBROLLBACK, "XA_RBROLLBACK"},
        {XA_RBCOMMFAIL, "XA_RBCOMMFAIL"},
        {XA_RBDEADLOCK, "XA_RBDEADLOCK"},
        {XA_RBINTEGRITY, "XA_RBINTEGRITY"},
        {XA_RBOTHER, "XA_RBOTHER"},
        {XA_RBPROTO, "XA_RBPROTO"},
        {XA_RBTIMEOUT, "XA_RBTIMEOUT"},
        {XA_RBTRANSIENT, "XA_RBTRANSIENT"},
        {XAER_ASYNC, "XAER_ASYNC"},
        {XAER_RMERR, "XAER_RMERR"},
        {XAER_NOTA, "XAER_NOTA"},
        {XAER_INVAL, "XAER_INVAL"},
        {XAER_PROTO, "XAER_PROTO"},
        {XAER_RMFAIL, "XAER_RMFAIL"},
        {XAER_DUPID, "XAER_DUPID"},
        {XAER_OUTSIDE, "XAER_OUTSIDE"},
    };

    private Xa() {
    }

    /** The constant name of an XA return code, such as "XAER_PROTO"; "XA_UNKNOWN" for another value. */
    public static String codeName(int code) {
        for (Object[] entry : CODES) {
            if ((Integer) entry[0] == code) {
                return (String) entry[1];
            }
        }
        return "XA_UNKNOWN";
    }
}
