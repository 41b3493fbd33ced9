package com.orvane.vx.taly.api;

import com.orvane.vx.taly.local.internal.base.NativeLayout;
import com.orvane.vx.taly.structs.Xa;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.util.Arrays;
import javax.transaction.xa.XAException;
import javax.transaction.xa.Xid;

/**
 * A {@link Xid} laid onto the native XID: format identifier, gtrid length and
 * bqual length as C {@code long}s (as wide as a pointer: 8 bytes on a 64-bit
 * JVM, 4 on a 32-bit one) in the machine's byte order, then 128 bytes holding
 * the gtrid followed by the bqual, the rest zero.
 */
final class XidLayout {

    static final int SIZE = NativeLayout.XID_SIZE;

    private XidLayout() {
    }

    /** The native XID of xid; a gtrid not of 1 to 64 bytes or a bqual over 64 is XAER_INVAL. */
    static byte[] toNative(Xid xid) throws XAException {
        if (xid == null) {
            throw XaResource.failure("the XID is null", Xa.XAER_INVAL);
        }
        byte[] gtrid = xid.getGlobalTransactionId();
        byte[] bqual = xid.getBranchQualifier();
        if (gtrid == null || gtrid.length < 1 || gtrid.length > Xa.MAXGTRIDSIZE) {
            throw XaResource.failure("the global transaction identifier is not 1 to "
                    + Xa.MAXGTRIDSIZE + " bytes", Xa.XAER_INVAL);
        }
        if (bqual == null || bqual.length > Xa.MAXBQUALSIZE) {
            throw XaResource.failure("the branch qualifier is not 0 to " + Xa.MAXBQUALSIZE + " bytes",
                    Xa.XAER_INVAL);
        }
        byte[] bytes = new byte[SIZE];
        ByteBuffer view = view(bytes);
        putLong(view, NativeLayout.XID_FORMAT_ID, xid.getFormatId());
        putLong(view, NativeLayout.XID_GTRID_LENGTH, gtrid.length);
        putLong(view, NativeLayout.XID_BQUAL_LENGTH, bqual.length);
        System.arraycopy(gtrid, 0, bytes, NativeLayout.XID_DATA, gtrid.length);
        System.arraycopy(bqual, 0, bytes, NativeLayout.XID_DATA + gtrid.length, bqual.length);
        return bytes;
    }

    /** The XID at index of an array of native XIDs, as the runtime wrote it. */
    static Xid fromNative(byte[] xids, int index) {
        ByteBuffer view = view(xids);
        int at = index * SIZE;
        int formatId = (int) getLong(view, at + NativeLayout.XID_FORMAT_ID);
        int gtridLength = clamp(getLong(view, at + NativeLayout.XID_GTRID_LENGTH), Xa.MAXGTRIDSIZE);
        int bqualLength = clamp(getLong(view, at + NativeLayout.XID_BQUAL_LENGTH), Xa.MAXBQUALSIZE);
        int data = at + NativeLayout.XID_DATA;
        return new RecoveredXid(formatId, Arrays.copyOfRange(xids, data, data + gtridLength),
                Arrays.copyOfRange(xids, data + gtridLength, data + gtridLength + bqualLength));
    }

    private static int clamp(long length, int most) {
        return (int) Math.max(0, Math.min(length, most));
    }

    private static ByteBuffer view(byte[] bytes) {
        return ByteBuffer.wrap(bytes).order(ByteOrder.nativeOrder());
    }

    private static void putLong(ByteBuffer view, int offset, long value) {
        if (NativeLayout.POINTER_SIZE == 8) {
            view.putLong(offset, value);
        } else {
            view.putInt(offset, (int) value);
        }
    }

    private static long getLong(ByteBuffer view, int offset) {
        return NativeLayout.POINTER_SIZE == 8 ? view.getLong(offset) : view.getInt(offset);
    }

    /** An XID that a recovery scan found; equal to any Xid with the same three parts. */
    static final class RecoveredXid implements Xid {
        private final int formatId;
        private final byte[] gtrid;
        private final byte[] bqual;

        RecoveredXid(int formatId, byte[] gtrid, byte[] bqual) {
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
            return 31 * (31 * formatId + Arrays.hashCode(gtrid)) + Arrays.hashCode(bqual);
        }

        @Override
        public String toString() {
            return "Xid[format " + formatId + ", gtrid " + hex(gtrid) + ", bqual " + hex(bqual) + "]";
        }

        private static String hex(byte[] bytes) {
            StringBuilder text = new StringBuilder();
            for (byte b : bytes) {
                text.append(String.format("%02x", b));
            }
            return text.toString();
        }
    }
}
