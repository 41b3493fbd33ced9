package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.Objects;

/**
 * A message property: its name, its type ({@code VXPT_*}) and its value, a
 * Java object of the type's class: Boolean, byte[] (a byte string), String,
 * Byte, Short, Integer, Long, Float or Double. Immutable; a byte-string value
 * is copied in and out.
 */
public final class Property {

    private final String name;
    private final int type;
    private final Object value;

    private Property(String name, int type, Object value) {
        this.name = Objects.requireNonNull(name, "name");
        this.type = type;
        this.value = value instanceof byte[] ? ((byte[]) value).clone() : value;
    }

    /** A property whose type follows from the value's class. */
    public static Property of(String name, Object value) {
        Objects.requireNonNull(value, "value");
        return new Property(name, typeOf(value), value);
    }

    public String name() {
        return name;
    }

    /** The type, {@code VXPT_*}. */
    public int type() {
        return type;
    }

    /** The value; a byte string comes back as a copy. */
    public Object value() {
        return value instanceof byte[] ? ((byte[]) value).clone() : value;
    }

    /** The value in the machine's byte order, as the property calls take it. */
    byte[] encoded() {
        switch (type) {
            case Constants.VXPT_BOOLEAN: return order(4).putInt((Boolean) value ? 1 : 0).array();
            case Constants.VXPT_BYTES: return (byte[]) value;
            case Constants.VXPT_STRING: return ((String) value).getBytes(StandardCharsets.UTF_8);
            case Constants.VXPT_INT8: return new byte[] {(Byte) value};
            case Constants.VXPT_INT16: return order(2).putShort((Short) value).array();
            case Constants.VXPT_INT32: return order(4).putInt((Integer) value).array();
            case Constants.VXPT_INT64: return order(8).putLong((Long) value).array();
            case Constants.VXPT_FLOAT32: return order(4).putFloat((Float) value).array();
            default: return order(8).putDouble((Double) value).array();
        }
    }

    /** A property as an inquiry returned it: its type and value bytes. */
    static Property decoded(String name, int type, byte[] bytes) {
        ByteBuffer in = ByteBuffer.wrap(bytes).order(ByteOrder.nativeOrder());
        switch (type) {
            case Constants.VXPT_BOOLEAN: return new Property(name, type, in.getInt() != 0);
            case Constants.VXPT_BYTES: return new Property(name, type, bytes);
            case Constants.VXPT_STRING: return new Property(name, type, new String(bytes, StandardCharsets.UTF_8));
            case Constants.VXPT_INT8: return new Property(name, type, in.get());
            case Constants.VXPT_INT16: return new Property(name, type, in.getShort());
            case Constants.VXPT_INT32: return new Property(name, type, in.getInt());
            case Constants.VXPT_INT64: return new Property(name, type, in.getLong());
            case Constants.VXPT_FLOAT32: return new Property(name, type, in.getFloat());
            case Constants.VXPT_FLOAT64: return new Property(name, type, in.getDouble());
            default: throw new IllegalArgumentException("property '" + name + "' of unknown type " + type);
        }
    }

    private static int typeOf(Object value) {
        if (value instanceof Boolean) {
            return Constants.VXPT_BOOLEAN;
        } else if (value instanceof byte[]) {
            return Constants.VXPT_BYTES;
        } else if (value instanceof String) {
            return Constants.VXPT_STRING;
        } else if (value instanceof Byte) {
            return Constants.VXPT_INT8;
        } else if (value instanceof Short) {
            return Constants.VXPT_INT16;
        } else if (value instanceof Integer) {
            return Constants.VXPT_INT32;
        } else if (value instanceof Long) {
            return Constants.VXPT_INT64;
        } else if (value instanceof Float) {
            return Constants.VXPT_FLOAT32;
        } else if (value instanceof Double) {
            return Constants.VXPT_FLOAT64;
        }
        throw new IllegalArgumentException("no property type for a " + value.getClass().getName());
    }

    private static ByteBuffer order(int size) {
        return ByteBuffer.allocate(size).order(ByteOrder.nativeOrder());
    }

    @Override
    public boolean equals(Object other) {
        if (!(other instanceof Property)) {
            return false;
        }
        Property p = (Property) other;
        return name.equals(p.name) && type == p.type && Objects.deepEquals(value, p.value);
    }

    @Override
    public int hashCode() {
        return Objects.hash(name, type, value instanceof byte[] ? Arrays.hashCode((byte[]) value) : value);
    }

    @Override
    public String toString() {
        return name + "=" + (value instanceof byte[] ? Arrays.toString((byte[]) value) : value) + " (type " + type
                + ")";
    }
}
