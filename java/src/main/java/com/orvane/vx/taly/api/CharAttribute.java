package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/** Character attributes of a queue, for {@link Queue#inquire(CharAttribute)}. */
public enum CharAttribute {
    /** The queue's name. */
    QUEUE_NAME(Constants.VXCA_QUEUE_NAME, Constants.VX_NAME_LENGTH),
    /** The name of the queue manager that owns the queue. */
    QMGR_NAME(Constants.VXCA_QMGR_NAME, Constants.VX_NAME_LENGTH);

    private final int selector;
    private final int length;

    CharAttribute(int selector, int length) {
        this.selector = selector;
        this.length = length;
    }

    /**
     * The native selector.
     *
     * @return the {@code VXCA_*} number
     */
    public int selector() {
        return selector;
    }

    /**
     * The attribute's length.
     *
     * @return the length in characters
     */
    public int length() {
        return length;
    }
}
