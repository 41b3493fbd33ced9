package com.orvane.vx.taly.api;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;

/** For tests that each want a connection and a dynamic queue of their own, gone with the connection. */
abstract class FreshQueue {

    protected Connection connection;
    protected Queue queue;

    @BeforeEach
    void open() {
        connection = Connection.connect();
        queue = TestQueues.fresh(connection);
    }

    @AfterEach
    void close() {
        connection.close();
    }
}
