package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.HmsgImpl;
import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.structs.BufferOptions;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.InquirePropertyOptions;
import com.orvane.vx.taly.structs.Reasons;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Objects;
import java.util.Optional;

/**
 * A message handle of a {@link Connection}: named, typed properties that a
 * put carries with its message ({@link PutOptions.Builder#properties}) and
 * that a get fills from the message it takes
 * ({@link GetOptions.Builder#properties}). Its calls run on the connection
 * and are serialised with the connection's other calls. Closing
 * (try-with-resources) deletes the handle; afterwards its own calls fail with
 * {@code VXRC_HMSG_ERROR} without reaching the queue manager, while options
 * that still name it reach the queue manager, which refuses them with the
 * same reason.
 */
public final class MessageHandle implements AutoCloseable {

    private static final int FIRST_VALUE_BUFFER = 256;

    private final Connection connection;
    private final HmsgImpl hmsg;
    private final long value;
    private boolean closed;

    private MessageHandle(Connection connection, HmsgImpl hmsg) {
        this.connection = connection;
        this.hmsg = hmsg;
        this.value = hmsg.getValue();
    }

    static MessageHandle create(Connection connection) {
        return connection.call("VXCRTMH", hconn -> {
            HmsgImpl holder = new HmsgImpl();
            Calls.check("VXCRTMH", PropertyCalls.create(hconn, holder));
            return new MessageHandle(connection, holder);
        });
    }

    /**
     * The 64-bit handle the queue manager gave, also after the handle is deleted.
     *
     * @return the handle's value
     */
    public long value() {
        return value;
    }

    /**
     * The connection the handle belongs to.
     *
     * @return the connection
     */
    public Connection connection() {
        return connection;
    }

    /**
     * Sets a property, replacing one of the same name ({@code VXSETMP}).
     *
     * @param property the property
     * @return the call's completion
     */
    public Completion set(Property property) {
        Objects.requireNonNull(property, "property");
        byte[] encoded = property.encoded();
        return call("VXSETMP", hconn -> checked("VXSETMP", property.name(),
                PropertyCalls.set(hconn, value, property.name(), property.type().value(), encoded)));
    }

    /**
     * Sets a property whose type follows from the value's class (see {@link Property}).
     *
     * @param name the property's name
     * @param propertyValue the value
     * @return the call's completion
     */
    public Completion set(String name, Object propertyValue) {
        Objects.requireNonNull(name, "name");
        Objects.requireNonNull(propertyValue, "propertyValue");
        return set(Property.of(name, propertyValue));
    }

    /**
     * The property of that name ({@code VXINQMP}).
     *
     * @param name a name, not a pattern
     * @return the property, or empty when the handle has none of that name
     */
    public Optional<Property> get(String name) {
        Objects.requireNonNull(name, "name");
        if (name.endsWith("%")) {
            throw new IllegalArgumentException("a name, not a pattern: " + name);
        }
        return call("VXINQMP", hconn -> Optional.ofNullable(inquire(hconn, name, false)));
    }

    /**
     * Every property.
     *
     * @return the properties, in the order their names were first set
     */
    public List<Property> properties() {
        return properties("%");
    }

    /**
     * The properties a pattern names.
     *
     * @param pattern a name, or the start of names followed by '%' ("%" for all)
     * @return the properties, in the order their names were first set
     */
    public List<Property> properties(String pattern) {
        Objects.requireNonNull(pattern, "pattern");
        return call("VXINQMP", hconn -> {
            List<Property> found = new ArrayList<>();
            for (Property p = inquire(hconn, pattern, false); p != null; p = inquire(hconn, pattern, true)) {
                found.add(p);
            }
            return found;
        });
    }

    /**
     * Deletes a property ({@code VXDLTMP}).
     *
     * @param name the property's name
     * @return the call's completion
     * @throws VxException {@code VXRC_PROPERTY_NOT_AVAILABLE} when there is none of that name
     */
    public Completion delete(String name) {
        Objects.requireNonNull(name, "name");
        return call("VXDLTMP", hconn -> checked("VXDLTMP", name, PropertyCalls.deleteProperty(hconn, value, name)));
    }

    /**
     * The buffer form of the properties a pattern names, for message data
     * that starts with them (format "VXPROPS"; {@code VXMHBUF}).
     *
     * @param pattern a name, or the start of names followed by '%'
     * @return the block, exactly as long as it needs
     */
    public byte[] toBuffer(String pattern) {
        Objects.requireNonNull(pattern, "pattern");
        return call("VXMHBUF", hconn -> {
            BufferOptions probe = BufferOptions.handleToBuffer();
            Completion first = PropertyCalls.toBuffer(hconn, value, probe, pattern, null, new byte[0], new Pint());
            if (first.failed() && first.reason() != Reasons.VXRC_PROPERTIES_TOO_BIG) {
                throw new VxException("VXMHBUF", first, "handle " + value);
            }
            byte[] buffer = new byte[first.failed() ? probe.requiredLength() : Constants.VXPBH_LENGTH];
            Pint length = new Pint();
            checked("VXMHBUF", pattern, PropertyCalls.toBuffer(hconn, value, BufferOptions.handleToBuffer(),
                    pattern, null, buffer, length));
            return length.x == buffer.length ? buffer : Arrays.copyOf(buffer, length.x);
        });
    }

    /**
     * Sets the properties of the buffer form at the start of buffer on this
     * handle, adding to or replacing those it has ({@code VXBUFMH}).
     *
     * @param buffer data that starts with a block made by {@link #toBuffer(String)}
     * @return how many properties were set
     */
    public int fromBuffer(byte[] buffer) {
        Objects.requireNonNull(buffer, "buffer");
        return call("VXBUFMH", hconn -> {
            BufferOptions options = BufferOptions.bufferToHandle();
            checked("VXBUFMH", "buffer form", PropertyCalls.fromBuffer(hconn, value, options, null, buffer));
            return options.propertyCount();
        });
    }

    /** Deletes the handle. Closing a closed handle, or one whose connection is closed, does nothing. */
    @Override
    public void close() {
        connection.callUnlessClosed(Completion.OK, hconn -> {
            if (closed) {
                return Completion.OK;
            }
            Completion completion = PropertyCalls.delete(hconn, hmsg);
            if (!completion.failed() || completion.reason() == Reasons.VXRC_HMSG_ERROR) {
                closed = true;
            }
            return checked("VXDLTMH", "handle", completion);
        });
    }

    /**
     * Whether the handle is deleted, or its connection closed.
     *
     * @return true once closed
     */
    public boolean isClosed() {
        return connection.callUnlessClosed(true, hconn -> closed);
    }

    /** One inquiry, the whole value; null when no (further) property matches. */
    private Property inquire(int hconn, String name, boolean next) {
        InquirePropertyOptions options = new InquirePropertyOptions()
                .setOptions(next ? Constants.VXIMPO_INQ_NEXT : Constants.VXIMPO_INQ_FIRST);
        byte[] buffer = new byte[FIRST_VALUE_BUFFER];
        Pint type = new Pint();
        Pint length = new Pint();
        Completion completion = PropertyCalls.inquire(hconn, value, options, name, type, buffer, length);
        if (completion.failed() && completion.reason() == Reasons.VXRC_PROPERTY_NOT_AVAILABLE) {
            return null;
        }
        checked("VXINQMP", name, completion);
        String found = options.returnedName();
        if (completion.reason() == Reasons.VXRC_PROPERTY_VALUE_TRUNCATED) {
            // Again by its name, with room for the whole value; the handle's
            // place in the properties stays on it.
            buffer = new byte[length.x];
            type.x = Constants.VXPT_ANY;
            checked("VXINQMP", found, PropertyCalls.inquire(hconn, value, new InquirePropertyOptions(), found, type,
                    buffer, length));
        }
        return Property.decoded(found, type.x, Arrays.copyOf(buffer, length.x));
    }

    private Completion checked(String call, String what, Completion completion) {
        if (completion.failed()) {
            throw new VxException(call, completion, "handle " + value + ", " + what);
        }
        return completion;
    }

    private <T> T call(String callName, Connection.Call<T> body) {
        return connection.call(callName, hconn -> {
            if (closed) {
                throw new VxException(callName, Reasons.VXCC_FAILED, Reasons.VXRC_HMSG_ERROR,
                        "message handle " + value + " is deleted");
            }
            return body.run(hconn);
        });
    }

    /** The handle in hexadecimal, and whether it is deleted. */
    @Override
    public String toString() {
        return "MessageHandle[" + Long.toHexString(value) + (closed ? ", deleted" : "") + "]";
    }
}
