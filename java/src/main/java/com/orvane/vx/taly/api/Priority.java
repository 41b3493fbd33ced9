package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import java.util.Objects;

/**
 * A message's priority: 0 ({@link #LOWEST}) to 9 ({@link #HIGHEST}); a get
 * takes messages of higher priority first. Before a put, {@link #AS_QUEUE}
 * takes the queue's default priority (the default of a new message); a
 * message got from a queue has the priority it was put with.
 *
 * <p>Every priority is a single instance and compares with {@code ==};
 * priorities order from lowest to highest, {@link #AS_QUEUE} before all.
 */
public final class Priority implements Comparable<Priority> {

    private static final Priority[] LEVELS = new Priority[Constants.VXPRI_HIGHEST + 1];

    static {
        for (int level = 0; level < LEVELS.length; level++) {
            LEVELS[level] = new Priority(level);
        }
    }

    /** Before a put: the queue's default priority. */
    public static final Priority AS_QUEUE = new Priority(Constants.VXPRI_AS_QUEUE);
    /** Priority 0. */
    public static final Priority LOWEST = LEVELS[Constants.VXPRI_LOWEST];
    /** Priority 9. */
    public static final Priority HIGHEST = LEVELS[Constants.VXPRI_HIGHEST];

    private final int value;

    private Priority(int value) {
        this.value = value;
    }

    /**
     * The priority of this level.
     *
     * @param level 0 to 9
     * @return the priority
     * @throws IllegalArgumentException for a level outside 0 to 9
     */
    public static Priority of(int level) {
        if (level < Constants.VXPRI_LOWEST || level > Constants.VXPRI_HIGHEST) {
            throw new IllegalArgumentException("priority " + level + " is not 0 to 9");
        }
        return LEVELS[level];
    }

    /** The priority of a descriptor's number; one outside 0 to 9 counts as the queue's default. */
    static Priority ofDescriptor(int value) {
        return value >= Constants.VXPRI_LOWEST && value <= Constants.VXPRI_HIGHEST ? LEVELS[value] : AS_QUEUE;
    }

    /**
     * The level, 0 to 9, or -1 for {@link #AS_QUEUE}: the number the message
     * descriptor carries.
     *
     * @return the priority's number
     */
    public int value() {
        return value;
    }

    @Override
    public int compareTo(Priority other) {
        Objects.requireNonNull(other, "other");
        return Integer.compare(value, other.value);
    }

    /** The level as a number, or "AS_QUEUE". */
    @Override
    public String toString() {
        return this == AS_QUEUE ? "AS_QUEUE" : Integer.toString(value);
    }
}
