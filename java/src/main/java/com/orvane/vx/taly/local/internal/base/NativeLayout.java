package com.orvane.vx.taly.local.internal.base;

/**
 * Byte offsets and sizes of the native structures that hold pointers, for the
 * address size of the running JVM. Every other structure keeps fixed offsets,
 * but in these a pointer is 4 or 8 bytes wide and moves the fields after it.
 * Each structure is laid out here field by field, in declaration order, with
 * the C compiler's natural alignment, so the Java side and the library agree.
 */
public final class NativeLayout {

    /** Width of a native pointer (and of a C {@code long} on Linux): 4 or 8. */
    public static final int POINTER_SIZE =
            "64".equals(System.getProperty("sun.arch.data.model")) ? 8 : 4;

    /** Offset of the environment pointer in the SPI connect options; fixed on every build. */
    public static final int SPI_CNO_ENVIRONMENT_PTR = 128;

    // VXCHARV: string descriptor of address, offset, buffer size, length and character set
    private static final Struct VXCHARV = new Struct();
    public static final int VXCHARV_PTR = VXCHARV.pointer();
    public static final int VXCHARV_OFFSET = VXCHARV.int32();
    public static final int VXCHARV_BUFSIZE = VXCHARV.int32();
    public static final int VXCHARV_LENGTH = VXCHARV.int32();
    public static final int VXCHARV_CCSID = VXCHARV.int32();
    public static final int VXCHARV_SIZE = VXCHARV.size();

    // VXCBD: callback descriptor
    private static final Struct CBD = new Struct();
    public static final int VXCBD_STRUC_ID = CBD.chars(4);
    public static final int VXCBD_VERSION = CBD.int32();
    public static final int VXCBD_CALLBACK_TYPE = CBD.int32();
    public static final int VXCBD_OPTIONS = CBD.int32();
    public static final int VXCBD_CALLBACK_AREA = CBD.pointer();
    public static final int VXCBD_CALLBACK_FUNCTION = CBD.pointer();
    public static final int VXCBD_CALLBACK_NAME = CBD.chars(128);
    public static final int VXCBD_MAX_MSG_LENGTH = CBD.int32();
    public static final int VXCBD_SIZE = CBD.size();

    // VXCBC: callback context handed to every callback
    private static final Struct CBC = new Struct();
    public static final int VXCBC_STRUC_ID = CBC.chars(4);
    public static final int VXCBC_VERSION = CBC.int32();
    public static final int VXCBC_CALL_TYPE = CBC.int32();
    public static final int VXCBC_HOBJ = CBC.int32();
    public static final int VXCBC_CALLBACK_AREA = CBC.pointer();
    public static final int VXCBC_CONNECTION_AREA = CBC.pointer();
    public static final int VXCBC_COMP_CODE = CBC.int32();
    public static final int VXCBC_REASON = CBC.int32();
    public static final int VXCBC_STATE = CBC.int32();
    public static final int VXCBC_DATA_LENGTH = CBC.int32();
    public static final int VXCBC_BUFFER_LENGTH = CBC.int32();
    public static final int VXCBC_FLAGS = CBC.int32();
    public static final int VXCBC_RECONNECT_DELAY = CBC.int32();
    public static final int VXCBC_SIZE = CBC.size();

    // Callback area: the library's record behind the callback-area pointer
    private static final Struct AREA = new Struct();
    public static final int CALLBACK_AREA_STRUC_ID = AREA.chars(4);
    public static final int CALLBACK_AREA_VERSION = AREA.int32();
    public static final int CALLBACK_AREA_INDEX = AREA.int32();
    public static final int CALLBACK_AREA_INSTANCE = AREA.pointer();
    public static final int CALLBACK_AREA_SIZE = AREA.size();

    // Adopt-user record built by lpiSPIAdoptUser
    private static final Struct ADOPT = new Struct();
    public static final int ADOPT_USER_STRUC_ID = ADOPT.chars(4);
    public static final int ADOPT_USER_VERSION = ADOPT.int32();
    public static final int ADOPT_USER_CHANNEL = ADOPT.pointer();
    public static final int ADOPT_USER_CONNECTION_NAME = ADOPT.pointer();
    public static final int ADOPT_USER_INOUT_VALUE = ADOPT.pointer();
    public static final int ADOPT_USER_PARM19 = ADOPT.int32();
    public static final int ADOPT_USER_PRODUCT_ID = ADOPT.chars(12);
    public static final int ADOPT_USER_CLIENT_ID_PTR = ADOPT.pointer();
    public static final int ADOPT_USER_CLIENT_ID_OFFSET = ADOPT.int32();
    public static final int ADOPT_USER_CLIENT_ID_BUFSIZE = ADOPT.int32();
    public static final int ADOPT_USER_CLIENT_ID_LENGTH = ADOPT.int32();
    public static final int ADOPT_USER_CLIENT_ID_CCSID = ADOPT.int32();
    public static final int ADOPT_USER_SIZE = ADOPT.size();

    // VXOD: object descriptor, as the queue-manager dump request fills it
    private static final Struct OD = new Struct();
    public static final int VXOD_STRUC_ID = OD.chars(4);
    public static final int VXOD_VERSION = OD.int32();
    public static final int VXOD_OBJECT_TYPE = OD.int32();
    public static final int VXOD_OBJECT_NAME = OD.chars(48);
    public static final int VXOD_OBJECT_QMGR_NAME = OD.chars(48);
    public static final int VXOD_DYNAMIC_Q_NAME = OD.chars(48);
    public static final int VXOD_ALTERNATE_USER_ID = OD.chars(12);
    public static final int VXOD_RECS_PRESENT = OD.int32();
    public static final int VXOD_KNOWN_DEST_COUNT = OD.int32();
    public static final int VXOD_UNKNOWN_DEST_COUNT = OD.int32();
    public static final int VXOD_INVALID_DEST_COUNT = OD.int32();
    public static final int VXOD_OBJECT_REC_OFFSET = OD.int32();
    public static final int VXOD_RESPONSE_REC_OFFSET = OD.int32();
    public static final int VXOD_OBJECT_REC_PTR = OD.pointer();
    public static final int VXOD_RESPONSE_REC_PTR = OD.pointer();
    public static final int VXOD_ALTERNATE_SECURITY_ID = OD.chars(40);
    public static final int VXOD_RESOLVED_Q_NAME = OD.chars(48);
    public static final int VXOD_RESOLVED_QMGR_NAME = OD.chars(48);
    public static final int VXOD_OBJECT_STRING = OD.nested(VXCHARV);
    public static final int VXOD_SELECTION_STRING = OD.nested(VXCHARV);
    public static final int VXOD_RESOLVED_OBJECT_STRING = OD.nested(VXCHARV);
    public static final int VXOD_RESOLVED_TYPE = OD.int32();
    public static final int VXOD_SIZE = OD.size();

    // VXSD: subscription descriptor; its strings follow it in the same array
    private static final Struct SD = new Struct();
    public static final int VXSD_STRUC_ID = SD.chars(4);
    public static final int VXSD_VERSION = SD.int32();
    public static final int VXSD_OPTIONS = SD.int32();
    public static final int VXSD_RESERVED1 = SD.int32();
    public static final int VXSD_SUB_CORREL_ID = SD.chars(24);
    public static final int VXSD_RESOLVED_Q_NAME = SD.chars(48);
    public static final int VXSD_RESERVED2 = SD.chars(40);
    public static final int VXSD_OBJECT_STRING = SD.nested(VXCHARV);
    public static final int VXSD_SUB_NAME = SD.nested(VXCHARV);
    public static final int VXSD_SIZE = SD.size();

    // XID of the XA standard: three C longs, then the identifier bytes
    private static final Struct XID = new Struct();
    public static final int XID_FORMAT_ID = XID.cLong();
    public static final int XID_GTRID_LENGTH = XID.cLong();
    public static final int XID_BQUAL_LENGTH = XID.cLong();
    public static final int XID_DATA = XID.chars(128);
    public static final int XID_SIZE = XID.size();

    private NativeLayout() {
    }

    /** Places fields one after another as a C compiler does, returning each field's offset. */
    private static final class Struct {
        private int end;
        private int alignment = 1;

        int chars(int count) {
            return place(count, 1);
        }

        int int32() {
            return place(4, 4);
        }

        int pointer() {
            return place(POINTER_SIZE, POINTER_SIZE);
        }

        /** A C {@code long}, pointer-sized on Linux. */
        int cLong() {
            return place(POINTER_SIZE, POINTER_SIZE);
        }

        int nested(Struct inner) {
            return place(inner.size(), inner.alignment);
        }

        /** Size including the tail padding that keeps arrays of the struct aligned. */
        int size() {
            return roundUp(end, alignment);
        }

        private int place(int width, int align) {
            int offset = roundUp(end, align);
            end = offset + width;
            alignment = Math.max(alignment, align);
            return offset;
        }

        private static int roundUp(int value, int align) {
            return (value + align - 1) / align * align;
        }
    }
}
