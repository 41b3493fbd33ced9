package com.orvane.vx.taly.api;

import java.util.Map;

/**
 * Administration of a queue manager's queues: define (like another queue),
 * change, delete and inquire. Failures throw {@link VxException}; a refused
 * attribute is named in its detail.
 */
public interface Administration {

    /**
     * Defines a queue.
     *
     * @param name the new queue's name
     * @param queueType {@code Constants.VXQT_LOCAL}, {@code VXQT_MODEL}, or 0 for the like
     *     queue's type (local without one)
     * @param likeQueue the queue whose type and attributes the new one takes, where
     *     attributes does not set them; null for none
     * @param attributes integer attributes to set
     */
    void defineQueue(String name, int queueType, String likeQueue, Map<IntAttribute, Integer> attributes);

    /**
     * Changes attributes of an existing queue.
     *
     * @param name the queue's name
     * @param attributes the integer attributes to change
     */
    void alterQueue(String name, Map<IntAttribute, Integer> attributes);

    /**
     * Deletes a queue that no handle has open.
     *
     * @param name the queue's name
     * @param purge whether a queue that holds messages is deleted with them
     *     (otherwise it is refused with {@code VXRC_QUEUE_NOT_EMPTY})
     */
    void deleteQueue(String name, boolean purge);

    /**
     * Integer attributes of a queue, without opening it.
     *
     * @param name the queue's name
     * @param attributes the attributes
     * @return their values, in the order asked
     */
    int[] inquireQueue(String name, IntAttribute... attributes);
}
