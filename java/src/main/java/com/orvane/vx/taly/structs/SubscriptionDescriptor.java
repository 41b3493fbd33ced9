package com.orvane.vx.taly.structs;

import com.orvane.vx.taly.local.internal.base.NativeLayout;
import java.nio.charset.StandardCharsets;

/**
 * The subscription descriptor (VXSD), version 1. It holds pointers in its
 * two string descriptors, so its length depends on the JVM's address size
 * ({@link NativeLayout}): 168 bytes on 32 bits, 176 on 64. The topic string
 * and the subscription name follow it in the same array.
 */
public final class SubscriptionDescriptor extends NativeStruct {

    public static final String STRUC_ID = "SD  ";
    public static final int VERSION = 1;
    public static final int LENGTH = NativeLayout.VXSD_SIZE;

    /** A descriptor with these options (VXSO_*), topic string and name; either may be empty. */
    public SubscriptionDescriptor(int options, String topicString, String subName) {
        this(options, topicString.getBytes(StandardCharsets.UTF_8), subName.getBytes(StandardCharsets.UTF_8));
    }

    private SubscriptionDescriptor(int options, byte[] topic, byte[] name) {
        super(LENGTH + topic.length + name.length, STRUC_ID, VERSION);
        setOptions(options);
        putString(NativeLayout.VXSD_OBJECT_STRING, 0, LENGTH, topic);
        putString(NativeLayout.VXSD_SUB_NAME, 0, LENGTH + topic.length, name);
    }

    public int options() { return getInt(NativeLayout.VXSD_OPTIONS); }
    public SubscriptionDescriptor setOptions(int v) { putInt(NativeLayout.VXSD_OPTIONS, v); return this; }
    /** The correlation identifier of the deliveries: given with VXSO_SET_CORREL_ID, else written. */
    public byte[] subCorrelId() { return getBytes(NativeLayout.VXSD_SUB_CORREL_ID, Constants.VX_CORREL_ID_LENGTH); }
    public SubscriptionDescriptor setSubCorrelId(byte[] v) {
        putBytes(NativeLayout.VXSD_SUB_CORREL_ID, Constants.VX_CORREL_ID_LENGTH, v);
        return this;
    }
    /** The queue the subscription delivers to. */
    public String resolvedQName() { return getChars(NativeLayout.VXSD_RESOLVED_Q_NAME, 48); }
    public String objectString() { return getString(NativeLayout.VXSD_OBJECT_STRING, 0); }
    public String subName() { return getString(NativeLayout.VXSD_SUB_NAME, 0); }
}
