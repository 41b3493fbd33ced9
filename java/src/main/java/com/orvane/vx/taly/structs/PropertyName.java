package com.orvane.vx.taly.structs;

import com.orvane.vx.taly.local.internal.base.NativeLayout;
import java.nio.charset.StandardCharsets;

/**
 * A property name, or a pattern (a name, or the start of names followed by
 * '%'), as the property calls take it: a string descriptor (VXCHARV) with the
 * name's bytes right after it.
 */
public final class PropertyName extends NativeStruct {

    private PropertyName(byte[] name) {
        super(new byte[NativeLayout.VXCHARV_SIZE + name.length]);
        putString(0, 0, NativeLayout.VXCHARV_SIZE, name);
    }

    public static PropertyName of(String name) {
        return new PropertyName(name.getBytes(StandardCharsets.UTF_8));
    }

    public String name() { return getString(0, 0); }
}
