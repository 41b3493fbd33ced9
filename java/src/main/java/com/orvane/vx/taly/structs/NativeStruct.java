package com.orvane.vx.taly.structs;

import com.orvane.vx.taly.local.internal.base.NativeLayout;
import java.lang.invoke.MethodHandles;
import java.lang.invoke.VarHandle;
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

    /** Integers in the machine's byte order, read and written in place. */
    private static final VarHandle INT = MethodHandles.byteArrayViewVarHandle(int[].class, ByteOrder.nativeOrder());
    private static final VarHandle LONG = MethodHandles.byteArrayViewVarHandle(long[].class, ByteOrder.nativeOrder());

    private final byte[] bytes;

    /** A new structure of the given length with its identifier and version set. */
    protected NativeStruct(int length, String strucId, int version) {
        this(new byte[length]);
        putChars(0, 4, strucId);
        putInt(4, version);
    }

    /** A view of an existing array, for reading what the runtime wrote. */
    protected NativeStruct(byte[] bytes) {
        this.bytes = bytes;
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
        return (int) INT.get(bytes, offset);
    }

    protected final void putInt(int offset, int value) {
        INT.set(bytes, offset, value);
    }

    protected final long getLong(int offset) {
        return (long) LONG.get(bytes, offset);
    }

    protected final void putLong(int offset, long value) {
        LONG.set(bytes, offset, value);
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

    /**
     * Places text at byte {@code at} of this array and describes it in the
     * VXCHARV at {@code descriptor}: no pointer, the offset from {@code base}
     * (the start of the structure the string belongs to), and the length.
     */
    protected final void putString(int descriptor, int base, int at, byte[] text) {
        System.arraycopy(text, 0, bytes, at, text.length);
        putInt(descriptor + NativeLayout.VXCHARV_OFFSET, at - base);
        putInt(descriptor + NativeLayout.VXCHARV_BUFSIZE, text.length);
        putInt(descriptor + NativeLayout.VXCHARV_LENGTH, text.length);
    }

    /** Room for a string the runtime writes, at byte {@code at}, described as by putString. */
    protected final void putStringRoom(int descriptor, int base, int at, int size) {
        putInt(descriptor + NativeLayout.VXCHARV_OFFSET, at - base);
        putInt(descriptor + NativeLayout.VXCHARV_BUFSIZE, size);
        putInt(descriptor + NativeLayout.VXCHARV_LENGTH, 0);
    }

    /** The UTF-8 string a VXCHARV describes by offset, cut to the room it has in this array. */
    protected final String getString(int descriptor, int base) {
        int offset = getInt(descriptor + NativeLayout.VXCHARV_OFFSET);
        int length = Math.min(getInt(descriptor + NativeLayout.VXCHARV_LENGTH),
                getInt(descriptor + NativeLayout.VXCHARV_BUFSIZE));
        int at = base + offset;
        if (length <= 0 || offset <= 0 || at > bytes.length) {
            return "";
        }
        return new String(bytes, at, Math.min(length, bytes.length - at), StandardCharsets.UTF_8);
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
