package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/** Character attributes of a queue, for {@link Queue#inquire(CharAttribute)}. */
public enum CharAttribute {
    QUEUE_NAME(Constants.VXCA_QUEUE_NAME, Constants.VX_NAME_LENGTH),
    QMGR_NAME(Constants.VXCA_QMGR_NAME, Constants.VX_NAME_LENGTH);

    private final int selector;
    private final int length;

    CharAttribute(int selector, int length) {
        this.selector = selector;
        this.length = length;
    }

    /** The native selector. */
    public int selector() {
        return selector;
    }

    /** The attribute's length in characters. */
    public int length() {
        return length;
    }
}
