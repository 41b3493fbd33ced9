package com.orvane.vx.taly.structs;

/**
 * The options of the conversions between a handle's properties and their
 * buffer form: handle-to-buffer (VXMHBO) and buffer-to-handle (VXBMHO)
 * options, 24 bytes and version 1 each.
 */
public final class BufferOptions extends NativeStruct {

    public static final int VERSION = 1;
    public static final int LENGTH = 24;

    public static final int OPTIONS = 8;
    /** VXMHBO: the length of the buffer form, also when the buffer was too short. */
    public static final int MHBO_REQUIRED_LENGTH = 12;
    /** VXMHBO: the properties written. */
    public static final int MHBO_PROPERTY_COUNT = 16;
    /** VXBMHO: the properties set on the handle. */
    public static final int BMHO_PROPERTY_COUNT = 12;

    private final boolean toBuffer;

    private BufferOptions(String strucId, boolean toBuffer) {
        super(LENGTH, strucId, VERSION);
        this.toBuffer = toBuffer;
    }

    public static BufferOptions handleToBuffer() { return new BufferOptions("MHBO", true); }
    public static BufferOptions bufferToHandle() { return new BufferOptions("BMHO", false); }

    public int options() { return getInt(OPTIONS); }
    public BufferOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
    /** Handle to buffer: the length the buffer form needs. */
    public int requiredLength() { return toBuffer ? getInt(MHBO_REQUIRED_LENGTH) : 0; }
    public int propertyCount() { return getInt(toBuffer ? MHBO_PROPERTY_COUNT : BMHO_PROPERTY_COUNT); }
}
