package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.PutMessageOptions;
import java.util.function.Function;

/** The put options of one put, with the handle whose properties the message carries. */
final class Puts {

    private Puts() {
    }

    /**
     * Runs the put with its options. The options' handle is the one the
     * message carries; without one, properties set on the message travel in
     * a handle made for the put and deleted after it.
     */
    static Completion withProperties(Connection connection, Message message, PutOptions options,
            Function<PutMessageOptions, Completion> put) {
        PutMessageOptions pmo = new PutMessageOptions().setOptions(options.options());
        if (options.properties() != null || !message.hasProperties()) {
            pmo.setMsgHandle(options.properties() == null ? 0 : options.properties().value());
            return put.apply(pmo);
        }
        try (MessageHandle handle = MessageHandle.create(connection)) {
            for (Property property : message.properties()) {
                handle.set(property);
            }
            pmo.setMsgHandle(handle.value());
            return put.apply(pmo);
        }
    }
}
