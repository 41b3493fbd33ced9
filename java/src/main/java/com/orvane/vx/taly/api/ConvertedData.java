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

    public byte[] bytes() {
        return bytes.clone();
    }

    public int fullLength() {
        return fullLength;
    }

    public int unmapped() {
        return unmapped;
    }

    public Completion completion() {
        return completion;
    }

    public boolean truncated() {
        return fullLength > bytes.length;
    }
}
