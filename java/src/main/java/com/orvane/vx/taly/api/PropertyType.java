package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/** The type of a message {@link Property}, and the Java class of its value. */
public enum PropertyType {
    /** A {@link Boolean}. */
    BOOLEAN(Constants.VXPT_BOOLEAN, Boolean.class),
    /** A byte string, a {@code byte[]}. */
    BYTES(Constants.VXPT_BYTES, byte[].class),
    /** A {@link String}, carried in UTF-8. */
    STRING(Constants.VXPT_STRING, String.class),
    /** An 8-bit integer, a {@link Byte}. */
    INT8(Constants.VXPT_INT8, Byte.class),
    /** A 16-bit integer, a {@link Short}. */
    INT16(Constants.VXPT_INT16, Short.class),
    /** A 32-bit integer, an {@link Integer}. */
    INT32(Constants.VXPT_INT32, Integer.class),
    /** A 64-bit integer, a {@link Long}. */
    INT64(Constants.VXPT_INT64, Long.class),
    /** A 32-bit float, a {@link Float}. */
    FLOAT32(Constants.VXPT_FLOAT32, Float.class),
    /** A 64-bit float, a {@link Double}. */
    FLOAT64(Constants.VXPT_FLOAT64, Double.class);

    private final int value;
    private final Class<?> valueClass;

    PropertyType(int value, Class<?> valueClass) {
        this.value = value;
        this.valueClass = valueClass;
    }

    /**
     * The number the property calls carry ({@code VXPT_*}).
     *
     * @return the type's number
     */
    public int value() {
        return value;
    }

    /**
     * The Java class of a value of this type.
     *
     * @return the class, such as {@code Integer.class} for {@link #INT32}
     */
    public Class<?> valueClass() {
        return valueClass;
    }

    /** The type of a value's class. */
    static PropertyType ofValue(Object value) {
        for (PropertyType type : values()) {
            if (type.valueClass.isInstance(value)) {
                return type;
            }
        }
        throw new IllegalArgumentException("no property type for a " + value.getClass().getName());
    }

    /** The type of a number the queue manager answered. */
    static PropertyType of(int value, String name) {
        for (PropertyType type : values()) {
            if (type.value == value) {
                return type;
            }
        }
        throw new IllegalArgumentException("property '" + name + "' of unknown type " + value);
    }
}
