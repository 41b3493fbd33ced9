package com.orvane.vx.taly.api;

import java.util.Objects;

/**
 * A piece of a message for {@link Queue#putGathered}: {@code length} bytes of
 * {@code array} from {@code offset}. The array is read when the message is
 * put, not copied before.
 */
public record Segment(byte[] array, int offset, int length) {

    public Segment {
        Objects.requireNonNull(array, "array");
        Objects.checkFromIndexSize(offset, length, array.length);
    }

    /** The whole array. */
    public static Segment of(byte[] array) {
        return new Segment(array, 0, array.length);
    }
}
