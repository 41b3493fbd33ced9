package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/** Integer attributes of a queue, for {@link Queue#inquire(IntAttribute)} and {@link Queue#set}. */
public enum IntAttribute {
    /** Messages on the queue, uncommitted ones included. */
    CURRENT_DEPTH(Constants.VXIA_CURRENT_DEPTH),
    MAX_DEPTH(Constants.VXIA_MAX_DEPTH),
    MAX_MSG_LENGTH(Constants.VXIA_MAX_MSG_LENGTH),
    /** {@link Constants#VXINHIBIT_ALLOWED} or {@link Constants#VXINHIBIT_INHIBITED}; settable. */
    INHIBIT_PUT(Constants.VXIA_INHIBIT_PUT),
    /** {@link Constants#VXINHIBIT_ALLOWED} or {@link Constants#VXINHIBIT_INHIBITED}; settable. */
    INHIBIT_GET(Constants.VXIA_INHIBIT_GET),
    OPEN_INPUT_COUNT(Constants.VXIA_OPEN_INPUT_COUNT),
    OPEN_OUTPUT_COUNT(Constants.VXIA_OPEN_OUTPUT_COUNT),
    /** {@link Constants#VXQT_LOCAL}, {@link Constants#VXQT_MODEL} or {@link Constants#VXQT_DYNAMIC}. */
    QUEUE_TYPE(Constants.VXIA_QUEUE_TYPE),
    DEFAULT_PRIORITY(Constants.VXIA_DEFAULT_PRIORITY),
    DEFAULT_PERSISTENCE(Constants.VXIA_DEFAULT_PERSISTENCE);

    private final int selector;

    IntAttribute(int selector) {
        this.selector = selector;
    }

    /** The native selector. */
    public int selector() {
        return selector;
    }
}
