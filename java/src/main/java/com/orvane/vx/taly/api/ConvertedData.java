package com.orvane.vx.taly.api;

/**
 * The result of a conversion: the converted bytes that fit the buffer, the
 * full converted length, how many characters had no mapping (each replaced by
 * the target's substitute character) and the completion.
 */
public final class ConvertedData {

    private final byte[] bytes;
    private final int fullLength;
    private final int unmapped;
    private final Completion completion;

    ConvertedData(byte[] bytes, int fullLength, int unmapped, Completion completion) {
        this.bytes = bytes;
        this.fullLength = fullLength;
        this.unmapped = unmapped;
        this.completion = completion;
    }

    /**
     * The converted bytes that fit the buffer.
     *
     * @return a copy of them
     */
    public byte[] bytes() {
        return bytes.clone();
    }

    /**
     * The length of the whole converted text.
     *
     * @return the length in bytes, larger than {@code bytes().length} when cut
     */
    public int fullLength() {
        return fullLength;
    }

    /**
     * How many characters had no mapping in the target character set.
     *
     * @return the count of substitute characters written
     */
    public int unmapped() {
        return unmapped;
    }

    /**
     * What the conversion reported.
     *
     * @return the completion, a warning when the text was cut
     */
    public Completion completion() {
        return completion;
    }

    /**
     * Whether the converted text was cut to the buffer.
     *
     * @return true when it did not all fit
     */
    public boolean truncated() {
        return fullLength > bytes.length;
    }
}
