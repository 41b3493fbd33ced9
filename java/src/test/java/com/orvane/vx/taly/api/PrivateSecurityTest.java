package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.fails;
import static org.junit.jupiter.api.Assertions.assertEquals;

import com.orvane.vx.taly.structs.Reasons;
import com.orvane.vx.taly.structs.SpiConstants;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * Adopt-user and map-credentials against the users of
 * tests/runtime/spi_users.conf, which this test's run names in VXRT_QUEUES_FILE.
 */
class PrivateSecurityTest {

    private PrivateConnection server;

    @BeforeEach
    void connect() {
        server = PrivateConnection.connect(null, SpiConstants.LPI_NO_ENVIRONMENT, "server", "s3rver");
    }

    @AfterEach
    void disconnect() {
        server.close();
    }

    /** The user identifier that a message put on the connection now carries. */
    private String putAndGetUser() {
        try (PrivateConnection.PrivateQueue queue = server.open(TestQueues.LOCAL, OpenOption.OUTPUT,
                OpenOption.INPUT_SHARED)) {
            queue.put(Message.text("who"), PutOptions.DEFAULTS, SpiConstants.LPIPO_NO_SYNCPOINT);
            return queue.get(GetOptions.DEFAULTS, SpiConstants.LPIGO_NO_SYNCPOINT).userId();
        }
    }

    @Test
    void anAdoptedUserIsWhomPutsCarryUntilRestored() {
        assertEquals("server", putAndGetUser());
        AdoptedUser trusted = server.adoptUser("alice", null);
        assertEquals(new AdoptedUser("ALICE01", SpiConstants.LPIADU_OUT_TRUSTED,
                SpiConstants.LPI_PRODUCT_IDENTIFIER), trusted);
        assertEquals("ALICE01", putAndGetUser());
        assertEquals(SpiConstants.LPIADU_OUT_AUTHENTICATED, server.adoptUser("bob", "hunter2").how());
        assertEquals("bob", putAndGetUser());
        fails(Reasons.VXRC_PASSWORD_ERROR, () -> server.adoptUser("alice", "wrong"));
        fails(Reasons.VXRC_UNKNOWN_USER, () -> server.adoptUser("mallory", null));
        fails(Reasons.VXRC_USER_ID_ERROR, () -> server.adoptUser("u".repeat(65), null));
        assertEquals("bob", putAndGetUser());
        assertEquals(SpiConstants.LPIADU_OUT_RESTORED, server.restoreUser().how());
        assertEquals("server", putAndGetUser());
    }

    @Test
    void credentialsMapOnlyWithTheRightPassword() {
        assertEquals("ALICE01", server.mapCredentials("alice", "secret"));
        assertEquals("bob", server.mapCredentials("bob", "hunter2"));
        fails(Reasons.VXRC_PASSWORD_ERROR, () -> server.mapCredentials("alice", "Secret"));
        fails(Reasons.VXRC_UNKNOWN_USER, () -> server.mapCredentials("nobody", "secret"));
        fails(Reasons.VXRC_USER_ID_ERROR, () -> server.mapCredentials("", ""));
    }

    @Test
    void thePrivilegedConnectNeedsAUserOfTheTable() {
        fails(Reasons.VXRC_NOT_AUTHORIZED, () -> PrivateConnection.connect(null, SpiConstants.LPI_NO_ENVIRONMENT,
                "alice", "wrong"));
        fails(Reasons.VXRC_NOT_AUTHORIZED, () -> PrivateConnection.connect(null, SpiConstants.LPI_NO_ENVIRONMENT));
    }
}
