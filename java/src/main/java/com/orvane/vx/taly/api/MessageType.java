package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/**
 * What a message is for: {@link #DATAGRAM} (no reply expected, the default),
 * {@link #REQUEST} (a reply is expected on its reply-to queue), {@link #REPLY}
 * or {@link #REPORT}. The queue manager carries the type without reading it,
 * so a message put by another program may carry a type of its own; such a
 * type is kept as its number ({@link #of(int)}).
 *
 * <p>The four known types are single instances and compare with {@code ==};
 * every type compares with {@link #equals(Object)}.
 */
public final class MessageType {

    /** A message that expects no reply. */
    public static final MessageType DATAGRAM = new MessageType(Constants.VXMT_DATAGRAM, "DATAGRAM");
    /** A message that expects a reply on its reply-to queue. */
    public static final MessageType REQUEST = new MessageType(Constants.VXMT_REQUEST, "REQUEST");
    /** The reply to a request. */
    public static final MessageType REPLY = new MessageType(Constants.VXMT_REPLY, "REPLY");
    /** A report about another message. */
    public static final MessageType REPORT = new MessageType(Constants.VXMT_REPORT, "REPORT");

    private static final MessageType[] KNOWN = {DATAGRAM, REQUEST, REPLY, REPORT};

    private final int value;
    private final String name;

    private MessageType(int value, String name) {
        this.value = value;
        this.name = name;
    }

    /**
     * The type of this number: one of the four known types, or a type of the
     * application's own.
     *
     * @param value the number the message descriptor carries
     * @return the type
     */
    public static MessageType of(int value) {
        for (MessageType type : KNOWN) {
            if (type.value == value) {
                return type;
            }
        }
        return new MessageType(value, null);
    }

    /**
     * The number the message descriptor carries.
     *
     * @return the type's number
     */
    public int value() {
        return value;
    }

    @Override
    public boolean equals(Object other) {
        return other instanceof MessageType && ((MessageType) other).value == value;
    }

    @Override
    public int hashCode() {
        return Integer.hashCode(value);
    }

    /**
     * The type's name, such as "REQUEST", or "MessageType(65536)" for a type
     * of the application's own.
     */
    @Override
    public String toString() {
        return name != null ? name : "MessageType(" + value + ")";
    }
}
