package com.orvane.vx.taly.api;

import java.util.Map;

/**
 * Administration of a queue manager's queues: define (like another queue),
 * change, delete and inquire. Failures throw {@link VxException}; a refused
 * attribute is named in its detail.
 */
public interface Administration {

    /**
     * Defines a queue. likeQueue (null for none) gives the type and the
     * attributes that attributes does not set; queueType is
     * {@code Constants.VXQT_LOCAL}, {@code VXQT_MODEL} or 0 for the like
     * queue's type (local without one).
     */
    void defineQueue(String name, int queueType, String likeQueue, Map<IntAttribute, Integer> attributes);

    /** Changes attributes of an existing queue. */
    void alterQueue(String name, Map<IntAttribute, Integer> attributes);

    /** Deletes a queue that no handle has open; one that holds messages only with purge. */
    void deleteQueue(String name, boolean purge);

    /** The integer attributes of a queue, one per attribute asked, without opening it. */
    int[] inquireQueue(String name, IntAttribute... attributes);
}
