package com.orvane.vx.taly.structs;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;

/**
 * A native structure held in a byte array in the machine's byte order, as the
 * native calls take it. Subclasses name the fields; this class reads and
 * writes integers, fixed-length character fields (blank-padded when written,
 * trailing blanks and NULs dropped when read) and byte fields.
 */
public abstract class NativeStruct {

    private final byte[] bytes;
    private final ByteBuffer view;

    /** A new structure of the given length with its identifier and version set. */
    protected NativeStruct(int length, String strucId, int version) {
        this(new byte[length]);
        putChars(0, 4, strucId);
        putInt(4, version);
    }

    /** A view of an existing array, for reading what the runtime wrote. */
    protected NativeStruct(byte[] bytes) {
        this.bytes = bytes;
        this.view = ByteBuffer.wrap(bytes).order(ByteOrder.nativeOrder());
    }

    /** The array that the native call takes; changes to either are shared. */
    public final byte[] bytes() {
        return bytes;
    }

    public final String strucId() {
        return new String(bytes, 0, 4, StandardCharsets.US_ASCII);
    }

    public final int version() {
        return getInt(4);
    }

    protected final int getInt(int offset) {
        return view.getInt(offset);
    }

    protected final void putInt(int offset, int value) {
        view.putInt(offset, value);
    }

    /** The text of a character field without its trailing blanks and NULs. */
    protected final String getChars(int offset, int length) {
        int end = offset + length;
        while (end > offset && (bytes[end - 1] == ' ' || bytes[end - 1] == 0)) {
            end--;
        }
        return new String(bytes, offset, end - offset, StandardCharsets.ISO_8859_1);
    }

    /** Writes text into a character field, blank-padded; text longer than the field is refused. */
    protected final void putChars(int offset, int length, String text) {
        byte[] encoded = text.getBytes(StandardCharsets.ISO_8859_1);
        if (encoded.length > length) {
            throw new IllegalArgumentException("\"" + text + "\" is longer than " + length + " characters");
        }
        Arrays.fill(bytes, offset, offset + length, (byte) ' ');
        System.arraycopy(encoded, 0, bytes, offset, encoded.length);
    }

    protected final byte[] getBytes(int offset, int length) {
        return Arrays.copyOfRange(bytes, offset, offset + length);
    }

    /** Writes a byte field; a shorter value is zero-padded, a longer one refused. */
    protected final void putBytes(int offset, int length, byte[] value) {
        if (value.length > length) {
            throw new IllegalArgumentException("value is longer than " + length + " bytes");
        }
        Arrays.fill(bytes, offset, offset + length, (byte) 0);
        System.arraycopy(value, 0, bytes, offset, value.length);
    }

    /** A queue-manager name as the connect calls take it: 48 characters, blank-padded. */
    public static byte[] qmgrName(String name) {
        byte[] field = new byte[Constants.VX_NAME_LENGTH];
        Arrays.fill(field, (byte) ' ');
        byte[] encoded = name.getBytes(StandardCharsets.ISO_8859_1);
        if (encoded.length > field.length) {
            throw new IllegalArgumentException("\"" + name + "\" is longer than 48 characters");
        }
        System.arraycopy(encoded, 0, field, 0, encoded.length);
        return field;
    }
}
