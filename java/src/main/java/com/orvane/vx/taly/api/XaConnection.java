package com.orvane.vx.taly.api;

import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.structs.Xa;
import java.nio.charset.StandardCharsets;
import java.util.concurrent.atomic.AtomicInteger;
import javax.transaction.xa.XAException;

/**
 * A connection that a transaction manager coordinates: the
 * {@link Connection} for the work, and the {@link XaResource} that starts,
 * ends and completes its branches.
 *
 * <p>Connecting opens the queue manager as an XA resource manager under an
 * rmid of this connection's own ({@code zstXAOpen} with the open string
 * {@code qmgr=NAME}, or an empty one for the default queue manager) and then
 * connects on the same thread: the queue manager binds an rmid to the first
 * connection made on the opening thread after the open. Closing disconnects
 * (a branch still associated becomes rollback-only; idle and prepared ones
 * stay for the transaction manager) and then closes the rmid.
 *
 * <p>While a branch is associated, the connection's own {@code commit},
 * {@code backout} and {@code begin} fail with {@code VXRC_GLOBAL_UOW_ACTIVE}.
 */
public final class XaConnection implements AutoCloseable {

    private static final AtomicInteger NEXT_RMID = new AtomicInteger(1);

    private final Connection connection;
    private final XaResource resource;

    private XaConnection(Connection connection, XaResource resource) {
        this.connection = connection;
        this.resource = resource;
    }

    /**
     * Connects to the default queue manager.
     *
     * @return the connection and its resource
     * @throws XAException with the XA code when the queue manager refuses the open
     */
    public static XaConnection connect() throws XAException {
        return connect(null);
    }

    /**
     * Connects to the named queue manager (null or blank for the default).
     * An open the queue manager refuses throws its XA code; a connect it
     * refuses throws a {@link VxException}, after the rmid is closed again.
     *
     * @param qmgrName the queue manager's name; null or blank for the default one
     * @return the connection and its resource
     * @throws XAException with the XA code when the queue manager refuses the open
     */
    public static XaConnection connect(String qmgrName) throws XAException {
        int rmid = NEXT_RMID.getAndIncrement();
        byte[] info = openString(qmgrName);
        int rc = Native.zstXAOpen(Binding.ready(), info, rmid, Xa.TMNOFLAGS);
        if (rc != Xa.XA_OK) {
            throw XaResource.failure("xa_open", rc);
        }
        Connection connection;
        try {
            connection = Connection.connect(qmgrName);
        } catch (RuntimeException e) {
            // Closed, the rmid no longer waits to bind this thread's next connection.
            Native.zstXAClose(Binding.ready(), info, rmid, Xa.TMNOFLAGS);
            throw e;
        }
        return new XaConnection(connection, new XaResource(rmid, qmgrName));
    }

    /**
     * The connection whose puts and gets under syncpoint belong to the started branch.
     *
     * @return the connection
     */
    public Connection connection() {
        return connection;
    }

    /**
     * The resource that a transaction manager enlists.
     *
     * @return the resource
     */
    public XaResource xaResource() {
        return resource;
    }

    /**
     * Disconnects, then closes the rmid. Closing a closed connection does
     * nothing more; the rmid's close cannot fail once its connection has gone.
     */
    @Override
    public void close() {
        connection.close();
        int rc = Native.zstXAClose(Binding.ready(), openString(connection.qmgrName()), resource.rmid(),
                Xa.TMNOFLAGS);
        if (rc != Xa.XA_OK) {
            throw new IllegalStateException("xa_close: " + Xa.codeName(rc) + " (" + rc + ")");
        }
    }

    /** "qmgr=NAME" or empty, NUL-terminated. */
    private static byte[] openString(String qmgrName) {
        String text = qmgrName == null || qmgrName.isBlank() ? "" : "qmgr=" + qmgrName.trim();
        return (text + '\0').getBytes(StandardCharsets.ISO_8859_1);
    }

    /** The connection and its resource. */
    @Override
    public String toString() {
        return "XaConnection[" + connection + ", " + resource + "]";
    }
}
