package com.orvane.vx.taly.structs;

/**
 * The 16-byte, version-1 structures of the message-handle and property calls
 * that hold nothing but an options word: create- and delete-message-handle
 * options (VXCMHO, VXDMHO), set- and delete-property options (VXSMPO,
 * VXDMPO) and the property descriptor (VXPD). No options are defined yet.
 */
public final class PropertyOptions extends NativeStruct {

    public static final int VERSION = 1;
    public static final int LENGTH = 16;
    public static final int OPTIONS = 8;

    private PropertyOptions(String strucId) {
        super(LENGTH, strucId, VERSION);
    }

    public static PropertyOptions createHandle() { return new PropertyOptions("CMHO"); }
    public static PropertyOptions deleteHandle() { return new PropertyOptions("DMHO"); }
    public static PropertyOptions setProperty() { return new PropertyOptions("SMPO"); }
    public static PropertyOptions deleteProperty() { return new PropertyOptions("DMPO"); }
    public static PropertyOptions descriptor() { return new PropertyOptions("PD  "); }

    public int options() { return getInt(OPTIONS); }
    public PropertyOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
}
