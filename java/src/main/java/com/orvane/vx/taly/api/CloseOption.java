package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/** What closing a queue does besides releasing the handle. */
public enum CloseOption {
    /** Only release the handle. */
    NONE(Constants.VXCO_NONE),
    /** Delete a dynamic queue with its messages. */
    DELETE(Constants.VXCO_DELETE);

    private final int value;

    CloseOption(int value) {
        this.value = value;
    }

    /**
     * The native close options.
     *
     * @return the close-options word
     */
    public int value() {
        return value;
    }
}
