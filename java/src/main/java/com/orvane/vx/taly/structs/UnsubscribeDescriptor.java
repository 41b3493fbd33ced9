package com.orvane.vx.taly.structs;

import java.nio.charset.StandardCharsets;

/** The private unsubscribe descriptor: 1048 bytes, version 1, by handle or by name. */
public final class UnsubscribeDescriptor extends NativeStruct {

    public static final String STRUC_ID = "LUSD";
    public static final int VERSION = 1;
    public static final int LENGTH = 1048;
    public static final int OPTIONS = 8;
    public static final int HSUB = 12;
    public static final int SUB_NAME_LENGTH = 16;
    public static final int SUB_NAME = 24;
    public static final int MAX_SUB_NAME_LENGTH = 1024;

    private UnsubscribeDescriptor(int options) {
        super(LENGTH, STRUC_ID, VERSION);
        putInt(OPTIONS, options);
    }

    /** The subscription of a handle open on the connection. */
    public static UnsubscribeDescriptor byHandle(int hsub) {
        UnsubscribeDescriptor d = new UnsubscribeDescriptor(SpiConstants.LPIUS_BY_HANDLE);
        d.putInt(HSUB, hsub);
        return d;
    }

    /** The subscription of that name (UTF-8, at most 1024 bytes). */
    public static UnsubscribeDescriptor byName(String name) {
        byte[] encoded = name.getBytes(StandardCharsets.UTF_8);
        UnsubscribeDescriptor d = new UnsubscribeDescriptor(SpiConstants.LPIUS_BY_NAME);
        d.putBytes(SUB_NAME, MAX_SUB_NAME_LENGTH, encoded);
        d.putInt(SUB_NAME_LENGTH, encoded.length);
        return d;
    }
}
