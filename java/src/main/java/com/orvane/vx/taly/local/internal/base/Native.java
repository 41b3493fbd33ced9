package com.orvane.vx.taly.local.internal.base;

import com.orvane.vx.taly.handles.HmsgImpl;
import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.LocalHconn;
import com.orvane.vx.taly.local.LocalHobj;

/**
 * The native entry points of the local binding, implemented by the library
 * {@code vxtaly}. Structures travel as byte arrays in the runtime's native
 * layout; handles, lengths, completion codes and reasons come back through the
 * holder objects. {@link NativeLoader} finds the library. Every method takes the trace flag first ({@code talyDisc}
 * takes its options first). Parameters named {@code ignoredN} keep their place
 * in the calling convention but are never read by the library.
 * {@link #init_conversion} must be called once before any other method.
 */
public final class Native {

    static {
        NativeLoader.load();
    }

    private Native() {
    }

    // Initialisation and metadata
    public static native boolean init_conversion(boolean trace, Object traceObject, Pint[] exchange);

    public static native void getMetaData(boolean trace, byte[] metaData, Pint compCode, Pint reason);

    // Connect and disconnect
    public static native void VXCONN(boolean trace, byte[] qmgrName, int ignored1, LocalHconn hconn,
            Pint compCode, Pint reason);

    public static native void VXCONNX(boolean trace, byte[] qmgrName, int ignored1, byte[] connectOpts,
            LocalHconn hconn, Pint compCode, Pint reason);

    public static native void VXDISC(boolean trace, LocalHconn hconn, int ignored1, int ignored2,
            Pint compCode, Pint reason);

    public static native void talyDisc(int talyOptions, boolean trace, LocalHconn hconn, int ignored1,
            int ignored2, Pint compCode, Pint reason);

    // Open, close, inquire and set
    public static native void VXOPEN(boolean trace, int hconn, int ignored1, int ignored2, byte[] objDesc,
            int openOptions, LocalHobj hobj, Pint compCode, Pint reason);

    public static native void VXCLOSE(boolean trace, int hconn, int ignored1, int ignored2, LocalHobj hobj,
            int closeOptions, Pint compCode, Pint reason);

    public static native void VXINQ(boolean trace, int hconn, int ignored1, int ignored2, int hobj,
            int selectorCount, byte[] selectors, int intAttrCount, byte[] intAttrs, int charAttrLength,
            byte[] charAttrs, Pint compCode, Pint reason);

    public static native void VXSET(boolean trace, int hconn, int ignored1, int ignored2, int hobj,
            int selectorCount, byte[] selectors, int intAttrCount, byte[] intAttrs, int charAttrLength,
            byte[] charAttrs, Pint compCode, Pint reason);

    // Put family; talyPut and talyPut1 take the message as a list of segments
    public static native void VXPUT(boolean trace, int hconn, int ignored1, int ignored2, int hobj,
            byte[] msgDesc, byte[] putMsgOpts, int bufferLength, byte[] buffer, Pint compCode, Pint reason);

    public static native void VXPUT1(boolean trace, int hconn, int ignored1, int ignored2, byte[] objDesc,
            byte[] msgDesc, byte[] putMsgOpts, int bufferLength, byte[] buffer, Pint compCode, Pint reason);

    public static native void talyPut(boolean trace, int hconn, int ignored1, int ignored2, int hobj,
            byte[] msgDesc, byte[] putMsgOpts, int segmentCount, byte[][] segments, int[] bufferOffsets,
            int[] bufferLengths, Pint compCode, Pint reason);

    public static native void talyPut1(boolean trace, int hconn, int ignored1, int ignored2, byte[] objDesc,
            byte[] msgDesc, byte[] putMsgOpts, int segmentCount, byte[][] segments, int[] bufferOffsets,
            int[] bufferLengths, Pint compCode, Pint reason);

    // Get
    public static native void VXGET(boolean trace, int hconn, int ignored1, int ignored2, int hobj,
            byte[] msgDesc, byte[] getMsgOpts, int bufferLength, byte[] buffer, Pint dataLength,
            Pint compCode, Pint reason);

    // Units of work
    public static native void VXBEGIN(boolean trace, int hconn, int ignored1, int ignored2, byte[] beginOpts,
            Pint compCode, Pint reason);

    public static native void VXCMIT(boolean trace, int hconn, int ignored1, int ignored2,
            Pint compCode, Pint reason);

    public static native void VXBACK(boolean trace, int hconn, int ignored1, int ignored2,
            Pint compCode, Pint reason);

    // Subscribe and status
    public static native void VXSUB(boolean trace, int hconn, int ignored1, int ignored2, byte[] subDesc,
            LocalHobj hobj, LocalHobj hsub, Pint compCode, Pint reason);

    public static native void VXSUBRQ(boolean trace, int hconn, int ignored1, int ignored2, LocalHobj hsub,
            int action, byte[] subRqOpts, Pint compCode, Pint reason);

    public static native void VXSTAT(boolean trace, int hconn, int ignored1, int ignored2, int statusType,
            byte[] status, Pint compCode, Pint reason);

    // Message handles and properties
    public static native void VXCRTMH(boolean trace, int hconn, int ignored1, int ignored2,
            byte[] crtMsgHOpts, HmsgImpl hmsg, Pint compCode, Pint reason);

    public static native void VXDLTMH(boolean trace, int hconn, int ignored1, int ignored2, HmsgImpl hmsg,
            byte[] dltMsgHOpts, Pint compCode, Pint reason);

    public static native void VXSETMP(boolean trace, int hconn, int ignored1, int ignored2, long hmsg,
            byte[] setPropOpts, byte[] name, byte[] propDesc, int type, int valueLength, byte[] value,
            Pint compCode, Pint reason);

    public static native void VXINQMP(boolean trace, int hconn, int ignored1, int ignored2, long hmsg,
            byte[] inqPropOpts, byte[] name, byte[] propDesc, Pint type, int valueLength, byte[] value,
            Pint dataLength, Pint compCode, Pint reason);

    public static native void VXDLTMP(boolean trace, int hconn, int ignored1, int ignored2, long hmsg,
            byte[] dltPropOpts, byte[] name, Pint compCode, Pint reason);

    public static native void VXMHBUF(boolean trace, int hconn, int ignored1, int ignored2, long hmsg,
            byte[] msgHBufOpts, byte[] name, byte[] msgDesc, int bufferLength, byte[] buffer,
            Pint dataLength, Pint compCode, Pint reason);

    public static native void VXBUFMH(boolean trace, int hconn, int ignored1, int ignored2, long hmsg,
            byte[] bufMsgHOpts, byte[] msgDesc, int bufferLength, byte[] buffer, int ignored3,
            Pint compCode, Pint reason);

    // Asynchronous consumption: callback registration and control
    public static native void VXCB(boolean trace, int ignored1, int callbackIndex, Class<?> callbackClass,
            Object callbackInstance, int hconn, int ignored2, int ignored3, int operation, LocalHobj hobj,
            byte[] msgDesc, byte[] getMsgOpts, byte[] callbackDesc, Pint compCode, Pint reason);

    public static native void VXCTL(boolean trace, int hconn, int ignored1, int ignored2, int operation,
            byte[] ctlOpts, Pint compCode, Pint reason);

    // XA calls of a transaction manager; each returns the XA return code
    public static native int zstXAOpen(boolean trace, byte[] xaInfo, int rmid, int flags);

    public static native int zstXAOpen_tm(boolean trace, byte[] xaInfo, int rmid, int flags);

    public static native int zstXAClose(boolean trace, byte[] xaInfo, int rmid, int flags);

    public static native int zstXAStart(boolean trace, byte[] xid, int rmid, int flags);

    public static native int zstXAEnd(boolean trace, byte[] xid, int rmid, int flags);

    public static native int zstXAPrepare(boolean trace, byte[] xid, int rmid, int flags);

    public static native int zstXACommit(boolean trace, byte[] xid, int rmid, int flags);

    public static native int zstXARollback(boolean trace, byte[] xid, int rmid, int flags);

    public static native int zstXAForget(boolean trace, byte[] xid, int rmid, int flags);

    public static native int zstXARecover(boolean trace, byte[] xids, int count, int rmid, int flags);

    public static native int zstXAComplete(boolean trace, Pint handle, Pint retval, int rmid, int flags);

    // Service-provider connection and messaging
    public static native void spiConnect(boolean trace, byte[] qmgrName, int ignored1, byte[] spiConnectOpts,
            byte[] connectOpts, LocalHconn hconn, Pint compCode, Pint reason);

    public static native void spiConnect_with_environment(boolean trace, byte[] qmgrName, int ignored1,
            byte[] spiConnectOpts, byte[] connectOpts, LocalHconn hconn, int environment,
            Pint compCode, Pint reason);

    public static native void spiOpen(boolean trace, int hconn, int ignored1, int ignored2, byte[] objDesc,
            byte[] spiOpenOpts, LocalHobj hobj, Pint compCode, Pint reason);

    public static native void spiPut(boolean trace, int hconn, int ignored1, int ignored2, int hobj,
            byte[] msgDesc, byte[] putMsgOpts, byte[] spiPutOpts, int bufferLength, byte[] buffer,
            Pint compCode, Pint reason);

    public static native void spiGet(boolean trace, int hconn, int ignored1, int ignored2, int hobj,
            byte[] msgDesc, byte[] getMsgOpts, byte[] spiGetOpts, int bufferLength, byte[] buffer,
            Pint dataLength, Pint compCode, Pint reason);

    public static native void spiSyncPoint(boolean trace, int hconn, int ignored1, int ignored2,
            byte[] spiSyncPointOpts, Pint compCode, Pint reason);

    public static native void spiActivateMessage(boolean trace, int hconn, int ignored1, int ignored2,
            byte[] activation, Pint compCode, Pint reason);

    public static native void spiNotify(boolean trace, int hconn, int ignored1, int ignored2,
            int notification, byte[] notifyDetails, Pint compCode, Pint reason);

    // Service-provider administration and subscriptions
    public static native void spiDefine(boolean trace, int hconn, int ignored1, int ignored2, boolean define,
            byte[] objectSelector, byte[] likeObject, int selectorCount, byte[] selectors, int intAttrCount,
            byte[] intAttrs, int charAttrLength, byte[] charAttrs, byte[] filterElement, int ignored3,
            byte[] attrErrors, Pint compCode, Pint reason);

    public static native void spiDelete(boolean trace, int hconn, int ignored1, int ignored2,
            byte[] objectSelector, boolean purge, Pint compCode, Pint reason);

    public static native void spiInquire(boolean trace, int hconn, int ignored1, int ignored2,
            byte[] objectSelector, int selectorCount, byte[] selectors, int intAttrCount, byte[] intAttrs,
            int charAttrLength, byte[] charAttrs, byte[] filterElement, Pint compCode, Pint reason);

    public static native void lpiSPIInquireNamedSubscribers(boolean trace, int hconn, int ignored1,
            int ignored2, byte[] callOptions, byte[] subNames, int passThrough, byte[] subIds,
            Pint inOutValue, Pint outValue, Pint compCode, Pint reason);

    public static native void lpiSPISubscriptionRequest(boolean trace, int hconn, int ignored1, int ignored2,
            LocalHobj hsub, int request, byte[] subRequestDesc, byte[] subRqOpts, Pint compCode, Pint reason);

    public static native void lpiSpiSubscribe(boolean trace, int hconn, int ignored1, int ignored2,
            byte[] spiSubDesc, byte[] subDesc, LocalHobj hobj, LocalHobj hsub, Pint compCode, Pint reason);

    public static native void lpiSpiUnsubscribe(boolean trace, int hconn, int ignored1, int ignored2,
            byte[] spiUnsubDesc, Pint compCode, Pint reason);

    // Service-provider security; paramN are ints the runtime receives unchanged
    public static native void lpiSPIAdoptUser(boolean trace, int hconn, int ignored1, int ignored2,
            int param5, byte[] lexPContext, byte[] applName, int param8, byte[] acctToken, int param10,
            byte[] channel, byte[] connectionName, Pint inOutValue, int ignored3, byte[] productIdentifier,
            byte[] clientIdentifier, int clientIdCcsid, byte[] securityParms, int param19,
            byte[] connectionId, Pint compCode, Pint reason);

    public static native void lpiSPICHLAUTH(boolean trace, int hconn, int ignored1, int ignored2,
            byte[] parms, Pint compCode, Pint reason);

    public static native void lpiSPIMapCredentials(boolean trace, int hconn, int ignored1, int ignored2,
            byte[] lexPContext, byte[] mcaUser, byte[] securityParms, byte[] acctToken, byte[] applName,
            byte[] channelName, byte[] connectionName, Pint compCode, Pint reason);

    // Data conversion; paramN and flag8 are passed to the runtime unchanged
    public static native void vpiConvertData(boolean trace, int hconn, int ignored1, int ignored2,
            int param5, int param6, int param7, boolean flag8, byte[] msgDesc, byte[] msgData,
            Pint dataLength, int param12, int bufferLength, Pint compCode, Pint reason, Pint secondValue);
}
