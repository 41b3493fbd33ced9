package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/** Integer attributes of a queue, for {@link Queue#inquire(IntAttribute)} and {@link Queue#set}. */
public enum IntAttribute {
    /** Messages on the queue, uncommitted ones included. */
    CURRENT_DEPTH(Constants.VXIA_CURRENT_DEPTH),
    /** The most messages the queue holds. */
    MAX_DEPTH(Constants.VXIA_MAX_DEPTH),
    /** The longest message the queue takes, in bytes. */
    MAX_MSG_LENGTH(Constants.VXIA_MAX_MSG_LENGTH),
    /** 0 when puts are allowed, 1 when inhibited ({@code Constants.VXINHIBIT_*}); settable. */
    INHIBIT_PUT(Constants.VXIA_INHIBIT_PUT),
    /** 0 when gets are allowed, 1 when inhibited ({@code Constants.VXINHIBIT_*}); settable. */
    INHIBIT_GET(Constants.VXIA_INHIBIT_GET),
    /** How many handles have the queue open for input. */
    OPEN_INPUT_COUNT(Constants.VXIA_OPEN_INPUT_COUNT),
    /** How many handles have the queue open for output. */
    OPEN_OUTPUT_COUNT(Constants.VXIA_OPEN_OUTPUT_COUNT),
    /** Local, model or dynamic ({@code Constants.VXQT_LOCAL}, {@code VXQT_MODEL}, {@code VXQT_DYNAMIC}). */
    QUEUE_TYPE(Constants.VXIA_QUEUE_TYPE),
    /** The priority of a message put with {@link Priority#AS_QUEUE}. */
    DEFAULT_PRIORITY(Constants.VXIA_DEFAULT_PRIORITY),
    /** The persistence of a message put with {@link Persistence#AS_QUEUE}: 0 or 1. */
    DEFAULT_PERSISTENCE(Constants.VXIA_DEFAULT_PERSISTENCE);

    private final int selector;

    IntAttribute(int selector) {
        this.selector = selector;
    }

    /**
     * The native selector.
     *
     * @return the {@code VXIA_*} number
     */
    public int selector() {
        return selector;
    }
}
