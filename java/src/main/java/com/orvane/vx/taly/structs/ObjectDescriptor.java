package com.orvane.vx.taly.structs;

import com.orvane.vx.taly.local.internal.base.NativeLayout;
import java.nio.charset.StandardCharsets;

/**
 * The object descriptor (VXOD), version 4. It holds pointers, so its length
 * and the offsets after the first pointer depend on the JVM's address size
 * ({@link NativeLayout}): 400 bytes on 32 bits, 424 on 64. A topic's
 * descriptor is longer: its topic strings follow it in the same array.
 */
public final class ObjectDescriptor extends NativeStruct {

    public static final String STRUC_ID = "OD  ";
    public static final int VERSION = 4;
    public static final int LENGTH = NativeLayout.VXOD_SIZE;

    public ObjectDescriptor() {
        this(0);
    }

    private ObjectDescriptor(int extra) {
        super(LENGTH + extra, STRUC_ID, VERSION);
        setObjectType(Constants.VXOT_QUEUE);
    }

    private ObjectDescriptor(byte[] bytes) {
        super(bytes);
    }

    public static ObjectDescriptor of(byte[] bytes) {
        return new ObjectDescriptor(bytes);
    }

    /** A descriptor of the queue with this name. */
    public static ObjectDescriptor queue(String name) {
        return new ObjectDescriptor().setObjectName(name);
    }

    /**
     * A descriptor of the topic with this topic string: the string follows
     * the descriptor in the same array, and as much room again for the
     * resolved topic string that an open writes.
     */
    public static ObjectDescriptor topic(String topicString) {
        byte[] text = topicString.getBytes(StandardCharsets.UTF_8);
        ObjectDescriptor od = new ObjectDescriptor(2 * text.length);
        od.setObjectType(Constants.VXOT_TOPIC);
        od.putString(NativeLayout.VXOD_OBJECT_STRING, 0, LENGTH, text);
        od.putStringRoom(NativeLayout.VXOD_RESOLVED_OBJECT_STRING, 0, LENGTH + text.length, text.length);
        return od;
    }

    /** The topic string a topic descriptor was made with. */
    public String objectString() { return getString(NativeLayout.VXOD_OBJECT_STRING, 0); }
    /** The topic string an open of a topic resolved. */
    public String resolvedObjectString() { return getString(NativeLayout.VXOD_RESOLVED_OBJECT_STRING, 0); }

    public int objectType() { return getInt(NativeLayout.VXOD_OBJECT_TYPE); }
    public ObjectDescriptor setObjectType(int v) { putInt(NativeLayout.VXOD_OBJECT_TYPE, v); return this; }
    /** The queue's name; after opening a model queue, the name of the queue made. */
    public String objectName() { return getChars(NativeLayout.VXOD_OBJECT_NAME, 48); }
    public ObjectDescriptor setObjectName(String v) { putChars(NativeLayout.VXOD_OBJECT_NAME, 48, v); return this; }
    public String objectQMgrName() { return getChars(NativeLayout.VXOD_OBJECT_QMGR_NAME, 48); }
    public ObjectDescriptor setObjectQMgrName(String v) {
        putChars(NativeLayout.VXOD_OBJECT_QMGR_NAME, 48, v);
        return this;
    }
    /** Name of a queue made from a model queue; a trailing '*' asks for a unique name. */
    public String dynamicQName() { return getChars(NativeLayout.VXOD_DYNAMIC_Q_NAME, 48); }
    public ObjectDescriptor setDynamicQName(String v) {
        putChars(NativeLayout.VXOD_DYNAMIC_Q_NAME, 48, v);
        return this;
    }
    public String resolvedQName() { return getChars(NativeLayout.VXOD_RESOLVED_Q_NAME, 48); }
    public String resolvedQMgrName() { return getChars(NativeLayout.VXOD_RESOLVED_QMGR_NAME, 48); }
    public int resolvedType() { return getInt(NativeLayout.VXOD_RESOLVED_TYPE); }
}
