package com.orvane.vx.taly.api;

/**
 * A wait of this API that the waiting thread's interrupt ended, such as a
 * get with a wait ({@link Queue#get(GetOptions)}, {@link Queue#receive(GetOptions)},
 * {@link Requester#request}). As with the JDK's interruptible channels, the
 * thread's interrupt status stays set, so that the code above sees it too;
 * the cause is an {@link InterruptedException}. Nothing was taken from the
 * queue by the call that threw.
 */
public final class WaitInterruptedException extends RuntimeException {

    private static final long serialVersionUID = 1L;

    /**
     * An interrupted wait.
     *
     * @param what the call and what it waited for, for the message
     */
    public WaitInterruptedException(String what) {
        super(java.util.Objects.requireNonNull(what, "what") + ": the wait was interrupted",
                new InterruptedException());
    }
}
