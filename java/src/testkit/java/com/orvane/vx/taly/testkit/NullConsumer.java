package com.orvane.vx.taly.testkit;

/**
 * Consumer that accepts every callback and keeps nothing: for measuring the
 * cost of the dispatch itself.
 */
public class NullConsumer {

    public void talyConsumerMethod(byte[] msgDesc, byte[] getMsgOpts, byte[] data, byte[] context) {
    }
}
