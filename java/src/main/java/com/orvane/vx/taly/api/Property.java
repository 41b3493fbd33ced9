package com.orvane.vx.taly.api;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.Objects;

/**
 * A message property: its name, its {@link PropertyType} and its value, a
 * Java object of the type's class: Boolean, byte[] (a byte string), String,
 * Byte, Short, Integer, Long, Float or Double. Immutable; a byte-string value
 * is copied in and out.
 */
public final class Property {

    private final String name;
    private final PropertyType type;
    private final Object value;

    private Property(String name, PropertyType type, Object value) {
        this.name = Objects.requireNonNull(name, "name");
        this.type = type;
        this.value = value instanceof byte[] ? ((byte[]) value).clone() : value;
    }

    /**
     * A property whose type follows from the value's class.
     *
     * @param name the property's name
     * @param value the value, of one of the classes above
     * @return the property
     * @throws IllegalArgumentException for a value of another class
     */
    public static Property of(String name, Object value) {
        Objects.requireNonNull(name, "name");
        Objects.requireNonNull(value, "value");
        return new Property(name, PropertyType.ofValue(value), value);
    }

    /**
     * The property's name.
     *
     * @return the name
     */
    public String name() {
        return name;
    }

    /**
     * The property's type.
     *
     * @return the type, which gives the value's class
     */
    public PropertyType type() {
        return type;
    }

    /**
     * The value; a byte string comes back as a copy.
     *
     * @return the value, an object of {@code type().valueClass()}
     */
    public Object value() {
        return value instanceof byte[] ? ((byte[]) value).clone() : value;
    }

    /** The value in the machine's byte order, as the property calls take it. */
    byte[] encoded() {
        switch (type) {
            case BOOLEAN: return order(4).putInt((Boolean) value ? 1 : 0).array();
            case BYTES: return (byte[]) value;
            case STRING: return ((String) value).getBytes(StandardCharsets.UTF_8);
            case INT8: return new byte[] {(Byte) value};
            case INT16: return order(2).putShort((Short) value).array();
            case INT32: return order(4).putInt((Integer) value).array();
            case INT64: return order(8).putLong((Long) value).array();
            case FLOAT32: return order(4).putFloat((Float) value).array();
            default: return order(8).putDouble((Double) value).array();
        }
    }

    /** A property as an inquiry returned it: its type's number and value bytes. */
    static Property decoded(String name, int typeValue, byte[] bytes) {
        PropertyType type = PropertyType.of(typeValue, name);
        ByteBuffer in = ByteBuffer.wrap(bytes).order(ByteOrder.nativeOrder());
        switch (type) {
            case BOOLEAN: return new Property(name, type, in.getInt() != 0);
            case BYTES: return new Property(name, type, bytes);
            case STRING: return new Property(name, type, new String(bytes, StandardCharsets.UTF_8));
            case INT8: return new Property(name, type, in.get());
            case INT16: return new Property(name, type, in.getShort());
            case INT32: return new Property(name, type, in.getInt());
            case INT64: return new Property(name, type, in.getLong());
            case FLOAT32: return new Property(name, type, in.getFloat());
            default: return new Property(name, type, in.getDouble());
        }
    }

    private static ByteBuffer order(int size) {
        return ByteBuffer.allocate(size).order(ByteOrder.nativeOrder());
    }

    /** Equal when name, type and value are (a byte string by its bytes). */
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

    /** "name=value (TYPE)", such as "lot=7 (INT32)". */
    @Override
    public String toString() {
        return name + "=" + (value instanceof byte[] ? Arrays.toString((byte[]) value) : value) + " (" + type + ")";
    }
}
