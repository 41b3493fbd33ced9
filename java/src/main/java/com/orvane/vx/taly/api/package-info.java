/**
 * A small Java API over the native binding: connect, open, put, get, units of
 * work, inquire and set, consumers, close and disconnect, with messages as
 * byte arrays, descriptor fields and properties; topics to publish to,
 * subscriptions, and message handles.
 *
 * <p>A call travels from {@link com.orvane.vx.taly.api.Queue} or
 * {@link com.orvane.vx.taly.api.Connection} to the native method of
 * {@code com.orvane.vx.taly.local.internal.base.Native}, into the JNI library
 * {@code libvxtaly.so}, which pins the structure arrays and calls the runtime
 * through its entry-point vector {@code VXInterface} in {@code libvxrt.so};
 * by default an in-memory queue manager stands behind that vector.
 *
 * <p>This package owns the holder objects and the structure arrays: it always
 * passes whole structures, as the runtime reads them whole, and a 48-byte
 * blank-padded queue-manager name. It initialises the native library once, on
 * first use (see {@link com.orvane.vx.taly.api.Binding}).
 *
 * <p>Failures (completion code 2) throw {@link com.orvane.vx.taly.api.VxException},
 * which carries the completion code and the reason; calls that succeed return
 * their {@link com.orvane.vx.taly.api.Completion}, a warning included.
 * A transaction manager coordinates an {@link com.orvane.vx.taly.api.XaConnection}
 * through its {@link com.orvane.vx.taly.api.XaResource}, whose calls throw
 * {@link javax.transaction.xa.XAException} with the XA return code.
 * A queue's consumer ({@link com.orvane.vx.taly.api.MessageListener}) is
 * called with its messages on a thread of the queue manager between
 * {@link com.orvane.vx.taly.api.Connection#start()} and
 * {@link com.orvane.vx.taly.api.Connection#stop()}.
 * Connections, queues, topics, subscriptions and message handles are
 * {@link java.lang.AutoCloseable} and may be shared between threads, with
 * their calls serialised per connection; messages and
 * option builders are not thread-safe, and built options are immutable.
 */
package com.orvane.vx.taly.api;
