package com.orvane.vx.taly.api;

import java.util.Objects;

/**
 * A piece of a message for {@link Queue#putGathered}: {@code length} bytes of
 * {@code array} from {@code offset}. The array is read when the message is
 * put, not copied before.
 *
 * @param array the bytes
 * @param offset where the piece starts in the array
 * @param length how many bytes it has
 */
public record Segment(byte[] array, int offset, int length) {

    /**
     * A piece of an array.
     *
     * @param array the bytes
     * @param offset where the piece starts in the array
     * @param length how many bytes it has
     * @throws IndexOutOfBoundsException when the piece does not lie inside the array
     */
    public Segment {
        Objects.requireNonNull(array, "array");
        Objects.checkFromIndexSize(offset, length, array.length);
    }

    /**
     * The whole array as a piece.
     *
     * @param array the bytes
     * @return the segment
     */
    public static Segment of(byte[] array) {
        Objects.requireNonNull(array, "array");
        return new Segment(array, 0, array.length);
    }
}
